#include "audio/flaclastframe.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

constexpr int kMaxBlockSizeAt = 2;  // in STREAMINFO
constexpr int kMaxFrameSizeAt = 7;  // in STREAMINFO, 24 bits; 0 when unknown
// Where STREAMINFO does not know the largest frame: what the largest block of
// uncompressed 8-channel 32-bit audio would need.
constexpr qint64 kUnknownFrameWindow = qint64(65535) * 8 * 4 + 1024;
constexpr quint8 kSyncFirst = 0xFF;
constexpr quint8 kSyncSecond = 0xF8;  // with the blocking strategy in bit 0
constexpr int kMinHeaderBytes = 6;
constexpr int kFooterBytes = 2;  // CRC-16
// An ID3v1 tag some taggers leave at the very end.
constexpr qint64 kId3v1Bytes = 128;

struct FrameHeader {
    qint64 firstFrame = 0;  // where the frame starts in the stream
    qint64 blockFrames = 0;
};

// Parses the frame header at data (RFC 9639, 9.1), its CRC-8 included.
std::optional<FrameHeader> parseHeader(const quint8 *data, qint64 size, qint64 fixedBlock)
{
    if (size < kMinHeaderBytes || data[0] != kSyncFirst || (data[1] & 0xFE) != kSyncSecond)
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
    return FrameHeader{variable ? number : number * fixedBlock, block};
}

}  // namespace

std::optional<qint64> FlacLastFrame::endFrame(const QString &fileName, const quint8 *streamInfo)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 maxFrameBytes = qint64(streamInfo[kMaxFrameSizeAt]) << 16
                                 | qFromBigEndian<quint16>(streamInfo + kMaxFrameSizeAt + 1);
    const qint64 window = (maxFrameBytes > 0 ? maxFrameBytes : kUnknownFrameWindow) + kId3v1Bytes;
    const qint64 start = std::max<qint64>(0, file.size() - window);
    if (!file.seek(start))
        return std::nullopt;
    QByteArray tail = file.readAll();
    if (tail.size() >= kId3v1Bytes && tail.right(kId3v1Bytes).startsWith("TAG"))
        tail.chop(kId3v1Bytes);
    const auto *data = reinterpret_cast<const quint8 *>(tail.constData());
    const qint64 size = tail.size();
    const qint64 fixedBlock = qFromBigEndian<quint16>(streamInfo + kMaxBlockSizeAt);
    // The last frame is the one whose header checks out and whose CRC-16, over
    // the whole frame and itself, comes to 0 at the file's end.
    for (qint64 at = size - kMinHeaderBytes - kFooterBytes; at >= 0; --at) {
        if (data[at] != kSyncFirst)
            continue;
        const auto header = parseHeader(data + at, size - at, fixedBlock);
        if (header
            && av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0, data + at, size_t(size - at)) == 0)
            return header->firstFrame + header->blockFrames;
    }
    return std::nullopt;
}
