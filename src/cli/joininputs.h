#pragma once

#include "join/chapterplan.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class AudioFile;

// The inputs of a command-line join, each checked as the join list admits a
// file: files as given, folders scanned as Add Path scans them. A refused file
// or unreadable folder is left out and its message kept, so that all of them can be shown at once.
class JoinInputs {
public:
    explicit JoinInputs(AudioFile &probe);

    // A file, or a folder (with its sub-folders when recursive).
    void add(const QString &path, bool recursive);
    // An input left out, with the text that names it.
    void refuse(const QString &text);

    const QStringList &paths() const { return m_paths; }
    const QStringList &refusals() const { return m_refusals; }
    // The sum of the admitted files' SampleCounts: the join's 100 %.
    qint64 totalSamples() const { return m_totalSamples; }
    qint64 totalDurationMs() const { return m_totalDurationMs; }
    // Each admitted file's length, in the order of paths().
    const QList<AdmittedLength> &lengths() const { return m_lengths; }

private:
    bool admit(const QString &path);

    AudioFile &m_probe;
    QStringList m_paths;
    QStringList m_refusals;
    QList<AdmittedLength> m_lengths;
    qint64 m_totalSamples = 0;
    qint64 m_totalDurationMs = 0;
};
