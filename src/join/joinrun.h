#pragma once

#include "settings/tagvalues.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

class AudioFile;
class AudioInformation;
class JoinObserver;

// What one join writes: the inputs in order, into one output, with its tags.
struct JoinJob {
    QStringList inputs;
    // The 100 % of the progress: the inputs' lengths in frames, as admitted.
    qint64 totalFrames = 0;
    QString outputPath;
    TagValues tags;
    // A join stopped part-way: the window keeps what it wrote, completed and
    // tagged; the command line drops it, so that nothing new is left and an
    // existing file of the output's name stays as it was.
    bool keepStoppedOutput = true;
};

// The join itself, without widgets: every input, in order, decoded and written
// block by block into one output file, which is then completed and tagged. The
// observer is told each row's start and end and each block, and asked before
// each row and block whether to go on; stopped() then says whether it said no.
// Failures throw AudioError, leaving the files as they are for the caller's
// error handling to close.
class JoinRun {
public:
    // The writer has been given its output format; inputs are decoded with the
    // reader; tags are written with information.
    JoinRun(AudioFile &reader, AudioFile &writer, AudioInformation &information);

    void run(const JoinJob &job, JoinObserver &observer);
    // Whether the last run ended because the observer said not to go on.
    bool stopped() const { return m_stopped; }

    // The bar's percentage for a share of the list, rounded half up; safe for
    // lists of any length and never above 100.
    static int progressPercent(qint64 processed, qint64 total);
    // Whether outputPath names one of the inputs, through any path or link:
    // writing over an input would destroy it while it is being read.
    static bool isAnInput(const QString &outputPath, const QStringList &inputs);

private:
    // Writes one row; false when the join ended before the row began.
    bool joinRow(const JoinJob &job, int row, JoinObserver &observer, qint64 &processed);

    AudioFile &m_reader;
    AudioFile &m_writer;
    AudioInformation &m_information;
    bool m_stopped = false;
};
