#include "audio/encode/mp3infoframe.h"

#include "audio/core/mp3frameheader.h"

#include <lame/lame.h>

extern "C" {
#include <libavutil/crc.h>
#include <libavutil/intreadwrite.h>
}

#include <algorithm>
#include <cstring>

namespace {

constexpr int kMpeg1 = 1;
constexpr int kHeaderBytes = 4;
constexpr int kBitrateIndices = 15;

// The Xing part: tag, flags, frame count, byte count, seek table, quality;
// then LAME's extension. The same layout as LAME's own, so that the same
// frames hold it.
constexpr int kXingFlagsAll = 0x0F;
constexpr int kXingBytes = 4 + 4 + 4 + 4 + Mp3InfoFrame::kTocEntries + 4;
constexpr int kLameExtensionBytes = 36;
constexpr quint8 kLameMethodCbr = 0x01;
constexpr quint8 kLameMethodVbr = 0x03;
// Offsets in LAME's extension.
constexpr int kBitrateAt = 20;
constexpr int kMusicLengthAt = 28;
constexpr int kMusicCrcAt = 32;
constexpr int kTagCrcAt = 34;

// Header bits taken over from the audio: sample rate, channel mode and flags.
constexpr quint8 kNoCrcBit = 0x01;
constexpr quint8 kSampleRateBits = 0x0C;
constexpr quint8 kModeExtensionBits = 0x30;
constexpr int kBitrateShift = 4;
constexpr int kLowByte = 0xFF;

}  // namespace

quint16 Mp3InfoFrame::crc(quint16 crc, const quint8 *data, std::size_t size)
{
    // LAME's extension uses CRC-16 with the reflected polynomial 0x8005.
    return static_cast<quint16>(av_crc(av_crc_get_table(AV_CRC_16_ANSI_LE), crc, data, size));
}

Mp3InfoFrame::Mp3InfoFrame(int mpegVersion, int sampleRate, int channels)
    : m_mpegVersion(mpegVersion),
      m_sampleRate(sampleRate),
      m_sideInfoBytes(Mp3FrameHeader::sideInfoBytesOf(mpegVersion == kMpeg1, channels))
{
    for (int index = 1; index < kBitrateIndices; ++index) {
        const int bitrate = lame_get_bitrate(mpegVersion, index);
        if (bitrate <= 0)
            break;
        m_bitrateIndex = index;
        m_size = frameBytes(bitrate);
        if (fitsAt(bitrate))
            break;
    }
}

int Mp3InfoFrame::frameBytes(int bitrate) const
{
    return Mp3FrameHeader::frameBytesOf(m_mpegVersion == kMpeg1, bitrate, m_sampleRate, false);
}

bool Mp3InfoFrame::fitsAt(int bitrate) const
{
    return frameBytes(bitrate) >= kHeaderBytes + m_sideInfoBytes + kXingBytes + kLameExtensionBytes;
}

QByteArray Mp3InfoFrame::render(const Stream &stream) const
{
    QByteArray frame(m_size, '\0');
    auto *bytes = reinterpret_cast<quint8 *>(frame.data());
    const std::array<quint8, 4> &audio = stream.firstHeader;
    bytes[0] = audio[0];
    bytes[1] = audio[1] | kNoCrcBit;
    bytes[2] = static_cast<quint8>(m_bitrateIndex << kBitrateShift | (audio[2] & kSampleRateBits));
    bytes[3] = audio[3] & ~kModeExtensionBits;

    const auto streamBytes = static_cast<quint32>(m_size + stream.audioBytes);
    quint8 *xing = bytes + kHeaderBytes + m_sideInfoBytes;
    const bool variable = stream.toc.size() == Mp3InfoFrame::kTocEntries;
    std::copy_n(variable ? "Xing" : "Info", 4, xing);
    AV_WB32(xing + 4, kXingFlagsAll);
    AV_WB32(xing + 8, static_cast<quint32>(stream.frames));
    AV_WB32(xing + 12, streamBytes);
    // A constant bit rate: the seek table is a straight line.
    for (int entry = 0; entry < Mp3InfoFrame::kTocEntries; ++entry)
        xing[16 + entry] = variable ? quint8(stream.toc[entry])
                                    : static_cast<quint8>(entry * 256 / Mp3InfoFrame::kTocEntries);
    // The quality and, below, the lowpass, replay gain and preset fields stay
    // zero (not recorded): decoders need only the length and the trim.

    quint8 *lame = xing + kXingBytes;
    const char *version = get_lame_very_short_version();
    std::copy_n(version,
                std::min<std::size_t>(std::strlen(version), Mp3InfoFrame::kEncoderNameBytes), lame);
    lame[Mp3InfoFrame::kEncoderNameBytes] = variable ? kLameMethodVbr : kLameMethodCbr;
    lame[kBitrateAt] = static_cast<quint8>(std::min(stream.bitrate, kLowByte));
    const int trim = stream.delay << Mp3InfoFrame::kTrimBits | stream.padding;
    AV_WB24(lame + Mp3InfoFrame::kTrimAt, static_cast<unsigned>(trim));
    AV_WB32(lame + kMusicLengthAt, streamBytes);
    AV_WB16(lame + kMusicCrcAt, stream.audioCrc);
    const auto tagBytes = static_cast<std::size_t>(lame + kTagCrcAt - bytes);
    AV_WB16(lame + kTagCrcAt, crc(0, bytes, tagBytes));
    return frame;
}
