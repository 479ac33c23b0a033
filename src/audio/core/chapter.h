#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One chapter of a joined file: where one input's audio lies in the output, in
// frames at the output's sample rate. A chapter ends where the next begins; the
// last one ends where the output ends.
struct Chapter {
    QString title;
    qint64 startFrame = 0;
    qint64 endFrame = 0;

    bool operator==(const Chapter &other) const = default;
};

using ChapterList = QList<Chapter>;
