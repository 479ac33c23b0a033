#pragma once

#include <QtGlobal>

#include <optional>

// The four-byte header of one MPEG audio Layer III frame, and what follows
// from it: the frame's length, its side information, its samples.
class Mp3FrameHeader {
public:
    // The decoder's own delay in samples, before any encoder's: what a
    // gapless trim counts with besides the encoder's delay.
    static constexpr int kDecoderDelay = 529;
    // Bytes of the side information of a frame, MPEG-1 or below.
    static int sideInfoBytesOf(bool mpeg1, int channels);
    // Bytes of a frame at a bit rate (kbit/s) and sample rate, MPEG-1 or below.
    static int frameBytesOf(bool mpeg1, int bitrate, int sampleRate, bool padded);

    // None when the bytes are no Layer III header, or one of free format
    // (bit rate index 0), whose length only the next header tells.
    static std::optional<Mp3FrameHeader> parse(const quint8 *bytes);

    // 1 for MPEG-1, 2 for MPEG-2, 25 for MPEG-2.5.
    int version() const { return m_version; }
    // As LAME numbers them (lame_get_version): 1 MPEG-1, 0 MPEG-2, 2 MPEG-2.5.
    int lameVersion() const;
    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_mono ? 1 : 2; }
    int bitrateIndex() const { return m_bitrateIndex; }
    int bitrate() const { return bitrateOf(m_bitrateIndex); }
    // kbit/s at a bit rate index of this version.
    int bitrateOf(int bitrateIndex) const;
    bool padded() const { return m_padded; }
    bool hasCrc() const { return m_crc; }
    // Samples per channel: 1152 for MPEG-1, 576 below.
    int samples() const { return m_version == 1 ? 1152 : 576; }
    int frameBytes() const { return bytesAt(m_bitrateIndex, m_padded); }
    // The frame's length at another bit rate index (1 to 14).
    int bytesAt(int bitrateIndex, bool padded) const;
    int sideInfoBytes() const;
    // Where the side information starts: after the header and its CRC.
    int sideInfoAt() const { return m_crc ? 6 : 4; }
    // Bytes of main data the frame itself carries, after its side information.
    int payloadBytes() const { return frameBytes() - sideInfoAt() - sideInfoBytes(); }
    // The largest reach back into earlier frames' main data.
    int maxReach() const { return m_version == 1 ? 511 : 255; }
    // Whether two frames may stand in one stream decoded as one.
    bool sameStream(const Mp3FrameHeader &other) const;

private:
    int m_version = 1;
    int m_bitrateIndex = 0;
    int m_sampleRate = 0;
    bool m_padded = false;
    bool m_crc = false;
    bool m_mono = false;
};
