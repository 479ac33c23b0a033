#include "audio/copy/mp3sideinfo.h"

extern "C" {
#include <libavutil/crc.h>
}

#include <algorithm>

namespace {

// Each granule and channel has a block of these fields, after a prefix of
// main_data_begin, private bits and (MPEG-1) the scale factor selection.
constexpr int kPart23Bits = 12;
constexpr int kBigValuesBits = 9;
constexpr int kGlobalGainBits = 8;
constexpr int kGlobalGainMax = 255;
constexpr int kMpeg1BlockBits = 59;
constexpr int kMpeg2BlockBits = 63;
constexpr int kMpeg1MonoPrefix = 18;
constexpr int kMpeg1StereoPrefix = 20;
constexpr int kMpeg2MonoPrefix = 9;
constexpr int kMpeg2StereoPrefix = 10;
constexpr quint16 kCrcStart = 0xFFFF;

}  // namespace

Mp3SideInfo::Mp3SideInfo(const quint8 *frame, const Mp3FrameHeader &header)
    : m_frame(frame), m_side(frame + header.sideInfoAt()), m_header(header)
{}

Mp3SideInfo::Mp3SideInfo(quint8 *frame, const Mp3FrameHeader &header)
    : m_frame(frame), m_side(frame + header.sideInfoAt()), m_header(header), m_writable(frame)
{}

quint32 Mp3SideInfo::bits(int at, int count) const
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i) {
        const int bit = at + i;
        value = value << 1 | (m_side[bit / 8] >> (7 - bit % 8) & 1U);
    }
    return value;
}

void Mp3SideInfo::setBits(int at, int count, quint32 value)
{
    quint8 *side = m_writable + m_header.sideInfoAt();
    for (int i = 0; i < count; ++i) {
        const int bit = at + i;
        const auto mask = quint8(1U << (7 - bit % 8));
        if (value >> (count - 1 - i) & 1U)
            side[bit / 8] |= mask;
        else
            side[bit / 8] &= quint8(~mask);
    }
}

int Mp3SideInfo::blocks() const
{
    return (m_header.version() == 1 ? 2 : 1) * m_header.channels();
}

int Mp3SideInfo::blockAt(int block) const
{
    const bool mpeg1 = m_header.version() == 1;
    const bool mono = m_header.channels() == 1;
    const int prefix = mpeg1 ? (mono ? kMpeg1MonoPrefix : kMpeg1StereoPrefix)
                             : (mono ? kMpeg2MonoPrefix : kMpeg2StereoPrefix);
    return prefix + block * (mpeg1 ? kMpeg1BlockBits : kMpeg2BlockBits);
}

int Mp3SideInfo::mainDataBegin() const
{
    return int(m_header.version() == 1 ? bits(0, 9) : bits(0, 8));
}

void Mp3SideInfo::setMainDataBegin(int bytes)
{
    setBits(0, m_header.version() == 1 ? 9 : 8, quint32(bytes));
}

int Mp3SideInfo::mainDataBytes() const
{
    int total = 0;
    for (int block = 0; block < blocks(); ++block)
        total += int(bits(blockAt(block), kPart23Bits));
    return (total + 7) / 8;
}

int Mp3SideInfo::addGain(int steps)
{
    int clamped = 0;
    for (int block = 0; block < blocks(); ++block) {
        const int at = blockAt(block);
        // A granule without coded bits is silence whatever its gain.
        if (bits(at, kPart23Bits) == 0)
            continue;
        const int gainAt = at + kPart23Bits + kBigValuesBits;
        const int gain = int(bits(gainAt, kGlobalGainBits)) + steps;
        if (gain < 0 || gain > kGlobalGainMax)
            ++clamped;
        setBits(gainAt, kGlobalGainBits, quint32(std::clamp(gain, 0, kGlobalGainMax)));
    }
    updateCrc();
    return clamped;
}

int Mp3SideInfo::clampedBy(int steps) const
{
    int clamped = 0;
    for (int block = 0; block < blocks(); ++block) {
        const int at = blockAt(block);
        const int gain = int(bits(at + kPart23Bits + kBigValuesBits, kGlobalGainBits)) + steps;
        if (bits(at, kPart23Bits) != 0 && (gain < 0 || gain > kGlobalGainMax))
            ++clamped;
    }
    return clamped;
}

void Mp3SideInfo::updateCrc()
{
    if (!m_header.hasCrc())
        return;
    // Over the header's last two bytes and the side information, MSB first.
    const AVCRC *table = av_crc_get_table(AV_CRC_16_ANSI);
    quint32 crc = av_crc(table, kCrcStart, m_frame + 2, 2);
    crc = av_crc(table, crc, m_side, std::size_t(m_header.sideInfoBytes()));
    // libavutil keeps a big-endian CRC byte-swapped: its low byte comes first.
    m_writable[4] = quint8(crc);
    m_writable[5] = quint8(crc >> 8);
}
