#include "audio/core/mp3frameheader.h"

namespace {

constexpr int kBitrates[2][15] = {
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},  // MPEG-1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},      // MPEG-2 and 2.5
};
constexpr int kSampleRates[3][3] = {
    {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
constexpr int kLayer3 = 1;
constexpr int kMonoMode = 3;
// Bytes per frame and kbit/s, times the sample rate.
constexpr int kMpeg1BytesFactor = 144000;
constexpr int kMpeg2BytesFactor = 72000;

}  // namespace

std::optional<Mp3FrameHeader> Mp3FrameHeader::parse(const quint8 *bytes)
{
    if (bytes[0] != 0xFF || (bytes[1] & 0xE0) != 0xE0)
        return std::nullopt;
    const int versionBits = bytes[1] >> 3 & 3;
    const int layer = bytes[1] >> 1 & 3;
    const int bitrateIndex = bytes[2] >> 4;
    const int rateIndex = bytes[2] >> 2 & 3;
    if (versionBits == 1 || layer != kLayer3 || bitrateIndex == 0 || bitrateIndex == 15
        || rateIndex == 3)
        return std::nullopt;
    Mp3FrameHeader header;
    header.m_version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    const int table = header.m_version == 1 ? 0 : header.m_version == 2 ? 1 : 2;
    header.m_sampleRate = kSampleRates[table][rateIndex];
    header.m_bitrateIndex = bitrateIndex;
    header.m_padded = (bytes[2] & 2) != 0;
    header.m_crc = (bytes[1] & 1) == 0;
    header.m_mono = (bytes[3] >> 6) == kMonoMode;
    return header;
}

int Mp3FrameHeader::lameVersion() const
{
    return m_version == 1 ? 1 : m_version == 2 ? 0 : 2;
}

int Mp3FrameHeader::bitrateOf(int bitrateIndex) const
{
    return kBitrates[m_version == 1 ? 0 : 1][bitrateIndex];
}

int Mp3FrameHeader::frameBytesOf(bool mpeg1, int bitrate, int sampleRate, bool padded)
{
    return (mpeg1 ? kMpeg1BytesFactor : kMpeg2BytesFactor) * bitrate / sampleRate
           + (padded ? 1 : 0);
}

int Mp3FrameHeader::sideInfoBytesOf(bool mpeg1, int channels)
{
    if (mpeg1)
        return channels == 1 ? 17 : 32;
    return channels == 1 ? 9 : 17;
}

int Mp3FrameHeader::bytesAt(int bitrateIndex, bool padded) const
{
    return frameBytesOf(m_version == 1, bitrateOf(bitrateIndex), m_sampleRate, padded);
}

int Mp3FrameHeader::sideInfoBytes() const
{
    return sideInfoBytesOf(m_version == 1, channels());
}

bool Mp3FrameHeader::sameStream(const Mp3FrameHeader &other) const
{
    return m_version == other.m_version && m_sampleRate == other.m_sampleRate
           && m_mono == other.m_mono;
}
