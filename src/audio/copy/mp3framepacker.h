#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

// Lays out the main data of frames encoded without the bit reservoir so that
// the copied frame after them finds what it reaches back for: each frame's
// data as early as it may go (never before the first of these frames), and
// the borrowed bytes at the very end of the last frame's main data area.
// Where the room is short, bit rates are raised, the last frames first.
class Mp3FramePacker {
public:
    // frames: whole frames without CRC, each with its main data in itself.
    // Throws AudioError naming fileName when even the highest bit rates leave
    // no room.
    static std::vector<QByteArray> pack(const std::vector<QByteArray> &frames,
                                        const QByteArray &borrowed, const QString &fileName);
};
