#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// A chapter an input holds itself: its title (may be empty) and its start, in
// seconds as the fraction start * timeBaseNum / timeBaseDen from the input's start.
struct InputChapter {
    QString title;
    qint64 start = 0;
    qint64 timeBaseNum = 0;
    qint64 timeBaseDen = 1;

    // The start in frames at rate, rounded half up.
    qint64 startFrame(int rate) const;
};

// The chapters an input holds, as its container gives them: ID3v2 CHAP frames
// in MP3, the chapter track or the Nero list in MP4, CHAPTERnnn comments in
// OGG and FLAC, markers in WMA.
class InputChapters {
public:
    // In the order of their starts; empty when the input has none or cannot be
    // read (the join itself says why an input is unreadable).
    static QList<InputChapter> read(const QString &fileName);
};
