#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The chapter titles of --chapter-titles: a UTF-8 text file, one title a line
// in the order of the inputs; an empty line leaves that input's title to the
// naming rule.
class ChapterTitlesFile {
public:
    // Reads path for a join of inputCount inputs; refused (error set, no
    // titles) when it cannot be read, is no UTF-8 text, or holds another
    // number of lines.
    ChapterTitlesFile(const QString &path, qsizetype inputCount);

    const QStringList &titles() const { return m_titles; }
    // Why the file was refused, naming it; empty when it was taken.
    const QString &error() const { return m_error; }

private:
    QStringList m_titles;
    QString m_error;
};
