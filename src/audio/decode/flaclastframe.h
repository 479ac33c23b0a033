#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Finds the last FLAC frame of a file, which must end the file whole, and tells
// where in the stream it ends, in frames. A cut file ends inside a frame (or
// with fewer frames than STREAMINFO promises) and so shows up here without a
// decoding pass over it.
class FlacLastFrame {
public:
    // streamInfo: the 34 bytes of the STREAMINFO block. Nothing when the file
    // does not end with a whole frame.
    static std::optional<qint64> endFrame(const QString &fileName, const quint8 *streamInfo);
};
