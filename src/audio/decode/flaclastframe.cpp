#include "audio/decode/flaclastframe.h"

#include "audio/decode/flacframeheader.h"

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QtEndian>

#include <array>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

constexpr int kMaxBlockSizeAt = 2;  // in STREAMINFO
constexpr int kMaxFrameSizeAt = 7;  // in STREAMINFO, 24 bits; 0 when unknown
// The largest frame FLAC allows: its largest block of uncompressed 8-channel
// 32-bit audio. Where STREAMINFO does not know its largest frame, or claims one
// larger than this, no more of the file's end is searched.
constexpr qint64 kLargestFrameBytes = qint64(65535) * 8 * 4 + 1024;
constexpr int kFooterBytes = 2;  // CRC-16
// An ID3v1 tag some taggers leave at the very end.
constexpr qint64 kId3v1Bytes = 128;

// Running a CRC register through zero bytes is linear in the register, so a
// CRC without initial value or final xor, as FLAC's, splits:
//   crc(A + B) = zeros(crc(A), size of B) ^ crc(B).
// So the CRC of every tail of the window comes from the CRCs of its heads, and
// checking each candidate frame does not run over the rest of the window again.
class CrcShift {
public:
    explicit CrcShift(const AVCRC *table)
    {
        constexpr quint8 kZero = 0;
        for (int bit = 0; bit < kBits; ++bit)
            m_powers[0][bit] = av_crc(table, quint32(1) << bit, &kZero, 1);
        for (int power = 1; power < kPowers; ++power) {
            for (int bit = 0; bit < kBits; ++bit)
                m_powers[power][bit] = apply(power - 1, m_powers[power - 1][bit]);
        }
    }

    // The register crc after `bytes` zero bytes.
    quint32 zeros(quint32 crc, qint64 bytes) const
    {
        for (int power = 0; power < kPowers && bytes != 0; ++power, bytes >>= 1) {
            if (bytes & 1)
                crc = apply(power, crc);
        }
        return crc;
    }

private:
    static constexpr int kBits = 32;
    // 2^kPowers zero bytes pass the largest window.
    static constexpr int kPowers = 24;

    quint32 apply(int power, quint32 crc) const
    {
        quint32 result = 0;
        for (int bit = 0; crc != 0; ++bit, crc >>= 1) {
            if (crc & 1)
                result ^= m_powers[power][bit];
        }
        return result;
    }

    // m_powers[p][b]: the register holding only bit b after 2^p zero bytes.
    std::array<std::array<quint32, kBits>, kPowers> m_powers{};
};

}  // namespace

std::optional<qint64> FlacLastFrame::endFrame(const QString &fileName, const quint8 *streamInfo)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const qint64 maxFrameBytes = qint64(streamInfo[kMaxFrameSizeAt]) << 16
                                 | qFromBigEndian<quint16>(streamInfo + kMaxFrameSizeAt + 1);
    const qint64 window =
        (maxFrameBytes > 0 ? std::min(maxFrameBytes, kLargestFrameBytes) : kLargestFrameBytes)
        + kId3v1Bytes;
    const qint64 start = std::max<qint64>(0, file.size() - window);
    if (!file.seek(start))
        return std::nullopt;
    QByteArray tail = file.read(file.size() - start);
    if (tail.size() >= kId3v1Bytes && tail.right(kId3v1Bytes).startsWith("TAG"))
        tail.chop(kId3v1Bytes);
    const auto *data = reinterpret_cast<const quint8 *>(tail.constData());
    const qint64 size = tail.size();
    const qint64 fixedBlock = qFromBigEndian<quint16>(streamInfo + kMaxBlockSizeAt);

    struct Candidate {
        qint64 at;
        qint64 endFrame;
        quint32 headCrc;  // CRC-16 of the window before the frame
    };
    QList<Candidate> candidates;
    const AVCRC *table = av_crc_get_table(AV_CRC_16_ANSI);
    quint32 crc = 0;
    qint64 crcEnd = 0;
    for (qint64 at = 0; at <= size - FlacFrameHeader::kMinBytes - kFooterBytes; ++at) {
        if (data[at] != FlacFrameHeader::kFirstByte)
            continue;
        if (const auto header = FlacFrameHeader::parse(data + at, size - at, fixedBlock)) {
            crc = av_crc(table, crc, data + crcEnd, size_t(at - crcEnd));
            crcEnd = at;
            candidates.append({at, header->firstFrame() + header->blockFrames(), crc});
        }
    }
    if (candidates.isEmpty())
        return std::nullopt;
    const quint32 windowCrc = av_crc(table, crc, data + crcEnd, size_t(size - crcEnd));
    // The last frame is the one whose header checks out and whose CRC-16, over
    // the whole frame and itself, comes to 0 at the file's end.
    const CrcShift shift(table);
    for (auto candidate = candidates.crbegin(); candidate != candidates.crend(); ++candidate) {
        if (shift.zeros(candidate->headCrc, size - candidate->at) == windowCrc)
            return candidate->endFrame;
    }
    return std::nullopt;
}
