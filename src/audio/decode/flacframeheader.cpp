#include "audio/decode/flacframeheader.h"

#include <QtEndian>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

// The second byte of the sync code, with the blocking strategy in bit 0.
constexpr quint8 kSyncSecond = 0xF8;

}  // namespace

FlacFrameHeader::FlacFrameHeader(qint64 firstFrame, qint64 blockFrames)
    : m_firstFrame(firstFrame), m_blockFrames(blockFrames)
{}

std::optional<FlacFrameHeader> FlacFrameHeader::parse(const quint8 *data, qint64 size,
                                                      qint64 fixedBlock)
{
    if (size < kMinBytes || data[0] != kFirstByte || (data[1] & 0xFE) != kSyncSecond)
        return std::nullopt;
    const bool variable = data[1] & 1;
    const int blockCode = data[2] >> 4;
    const int rateCode = data[2] & 0x0F;
    if (blockCode == 0 || rateCode == 0x0F || (data[3] >> 4) > 10)
        return std::nullopt;
    // The frame or sample number, coded like UTF-8 in up to 7 bytes.
    qint64 at = 4;
    int extra = 0;
    while (extra < 8 && (data[at] & (0x80 >> extra)))
        ++extra;
    if (extra == 1 || extra > (variable ? 7 : 6))
        return std::nullopt;
    const int more = extra == 0 ? 0 : extra - 1;
    const int blockBytes = blockCode == 6 ? 1 : blockCode == 7 ? 2 : 0;
    const int rateBytes = rateCode == 12 ? 1 : rateCode == 13 || rateCode == 14 ? 2 : 0;
    const qint64 headerBytes = at + 1 + more + blockBytes + rateBytes + 1;
    if (headerBytes > size)
        return std::nullopt;
    qint64 number = extra == 0 ? data[at] : data[at] & (0x7F >> extra);
    for (int i = 1; i <= more; ++i) {
        if ((data[at + i] & 0xC0) != 0x80)
            return std::nullopt;
        number = number << 6 | (data[at + i] & 0x3F);
    }
    at += 1 + more;
    qint64 block = 0;
    if (blockCode == 1)
        block = 192;
    else if (blockCode <= 5)
        block = qint64(576) << (blockCode - 2);
    else if (blockCode == 6)
        block = qint64(data[at]) + 1;
    else if (blockCode == 7)
        block = qint64(qFromBigEndian<quint16>(data + at)) + 1;
    else
        block = qint64(256) << (blockCode - 8);
    // The CRC-8 over the header and itself comes to 0.
    if (av_crc(av_crc_get_table(AV_CRC_8_ATM), 0, data, size_t(headerBytes)) != 0)
        return std::nullopt;
    return FlacFrameHeader(variable ? number : number * fixedBlock, block);
}
