#include "audio/flaclastframe.h"

#include "audio/flacframeheader.h"

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
constexpr int kFooterBytes = 2;  // CRC-16
// An ID3v1 tag some taggers leave at the very end.
constexpr qint64 kId3v1Bytes = 128;

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
    for (qint64 at = size - FlacFrameHeader::kMinBytes - kFooterBytes; at >= 0; --at) {
        if (data[at] != FlacFrameHeader::kFirstByte)
            continue;
        const auto header = FlacFrameHeader::parse(data + at, size - at, fixedBlock);
        if (header
            && av_crc(av_crc_get_table(AV_CRC_16_ANSI), 0, data + at, size_t(size - at)) == 0)
            return header->firstFrame() + header->blockFrames();
    }
    return std::nullopt;
}
