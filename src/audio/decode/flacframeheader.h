#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

// The header of one FLAC frame (RFC 9639, 9.1): where the frame starts in the
// stream and how many frames (samples per channel) its block holds.
class FlacFrameHeader {
public:
    // Every header starts with this byte and is at least kMinBytes long.
    static constexpr quint8 kFirstByte = 0xFF;
    static constexpr int kMinBytes = 6;

    // Parses the header at data, its CRC-8 checked; fixedBlock is the block
    // size of a fixed-blocksize stream (STREAMINFO), which numbers its frames
    // instead of their samples. Nothing when data holds no valid header.
    static std::optional<FlacFrameHeader> parse(const quint8 *data, qint64 size, qint64 fixedBlock);

    qint64 firstFrame() const { return m_firstFrame; }
    qint64 blockFrames() const { return m_blockFrames; }
    // The header's length, its CRC-8 included.
    int headerBytes() const { return m_headerBytes; }

    // The header at data, the one this was parsed from, as the header of a
    // variable-blocksize stream whose frame starts at firstFrame: the same
    // block, rate, channel and depth codes, the new number, a new CRC-8.
    QByteArray renumbered(const quint8 *data, qint64 firstFrame) const;

private:
    FlacFrameHeader(qint64 firstFrame, qint64 blockFrames, int numberBytes, int headerBytes);

    qint64 m_firstFrame = 0;
    qint64 m_blockFrames = 0;
    int m_numberBytes = 0;
    int m_headerBytes = 0;
};
