#pragma once

#include "audio/copy/flacstreaminfo.h"
#include "audio/decode/flacframeheader.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>

class InputStream;

// One frame as read: its header, and its bytes, CRC-16 included; the bytes are
// valid until the next frame is read.
struct FlacFrame {
    FlacFrameHeader header;
    const quint8 *data = nullptr;
    qint64 size = 0;
};

// Reads the frames of a native FLAC file (not FLAC in OGG) one by one, as they
// are, for a join that copies them: each frame's header and CRC-16 checked, and
// frames that follow on without a gap. What is wrong throws AudioError naming
// the file and the reason.
class FlacFrameReader {
public:
    // What a cheap look at a file tells, before anything is copied.
    struct Facts {
        FlacStreamFormat format;
        qint64 samples = 0;  // as its STREAMINFO states them
        // Its STREAMINFO states a length and the file ends with a whole frame
        // there: not cut short.
        bool whole = false;
    };
    // Nothing when the file is no native FLAC file; never throws.
    static std::optional<Facts> probe(const QString &fileName);

    explicit FlacFrameReader(const QString &fileName);
    ~FlacFrameReader();
    FlacFrameReader(const FlacFrameReader &) = delete;
    FlacFrameReader &operator=(const FlacFrameReader &) = delete;

    const FlacStreamFormat &format() const { return m_format; }
    // The length its STREAMINFO states; 0 when it states none.
    qint64 statedSamples() const { return m_statedSamples; }
    // The next frame; nothing at the end, where the length read must be the
    // length stated.
    std::optional<FlacFrame> next();

    [[noreturn]] static void refuse(const QString &fileName, const QString &reason);

private:
    std::unique_ptr<InputStream> m_stream;
    FlacStreamFormat m_format;
    qint64 m_statedSamples = 0;
    qint64 m_fixedBlock = 0;
    qint64 m_samples = 0;
};
