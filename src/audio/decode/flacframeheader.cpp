#include "audio/decode/flacframeheader.h"

#include <QtEndian>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

// The second byte of the sync code, with the blocking strategy in bit 0.
constexpr quint8 kSyncSecond = 0xF8;
constexpr int kNumberAt = 4;
// A variable-blocksize stream numbers its samples in up to 36 bits: 7 bytes.
constexpr int kMaxNumberBytes = 7;
constexpr int kBitsPerFollower = 6;
constexpr quint8 kFollowerMark = 0x80;
constexpr quint8 kFollowerBits = 0x3F;
constexpr int kAsciiLimitBits = 7;

quint8 crc8(const char *data, qsizetype size)
{
    return quint8(av_crc(av_crc_get_table(AV_CRC_8_ATM), 0, reinterpret_cast<const quint8 *>(data),
                         size_t(size)));
}

// The number coded like UTF-8, extended to 7 bytes (RFC 9639, 9.1.5).
QByteArray codedNumber(qint64 number)
{
    if (number < (qint64(1) << kAsciiLimitBits))
        return QByteArray(1, char(number));
    // n bytes hold 5n + 1 bits (n >= 2), 6n for 7 bytes.
    int bytes = 2;
    while (bytes < kMaxNumberBytes && number >= (qint64(1) << (5 * bytes + 1)))
        ++bytes;
    QByteArray coded(bytes, char(0));
    for (int i = bytes - 1; i > 0; --i, number >>= kBitsPerFollower)
        coded[i] = char(kFollowerMark | (number & kFollowerBits));
    // The lead byte: as many ones as bytes, a zero, then the top bits.
    coded[0] = char(quint8(0xFF00 >> bytes) | number);
    return coded;
}

}  // namespace

FlacFrameHeader::FlacFrameHeader(qint64 firstFrame, qint64 blockFrames, int numberBytes,
                                 int headerBytes)
    : m_firstFrame(firstFrame),
      m_blockFrames(blockFrames),
      m_numberBytes(numberBytes),
      m_headerBytes(headerBytes)
{}

QByteArray FlacFrameHeader::renumbered(const quint8 *data, qint64 firstFrame) const
{
    const auto *bytes = reinterpret_cast<const char *>(data);
    QByteArray header(bytes, kNumberAt);
    header[1] = char(kSyncSecond | 1);
    header += codedNumber(firstFrame);
    // The uncommon block size and rate, if any, lie between the number and the CRC-8.
    const int afterNumber = kNumberAt + m_numberBytes;
    header.append(bytes + afterNumber, m_headerBytes - 1 - afterNumber);
    header += char(crc8(header.constData(), header.size()));
    return header;
}

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
    qint64 at = kNumberAt;
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
    return FlacFrameHeader(variable ? number : number * fixedBlock, block, 1 + more,
                           int(headerBytes));
}
