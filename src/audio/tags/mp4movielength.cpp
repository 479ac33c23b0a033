#include "audio/tags/mp4movielength.h"

#include "audio/core/audioerror.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <limits>
#include <optional>

namespace {

constexpr qint64 kBoxHeaderBytes = 8;
// mvhd after its box header: version and flags, then (version 0) creation and
// modification times, timescale and duration in 32 bits each, or (version 1)
// 64-bit times and duration.
constexpr qint64 kTimescaleOffset[2] = {12, 20};
constexpr qint64 kDurationOffset[2] = {16, 24};
constexpr qint64 kMaxDuration32 = std::numeric_limits<quint32>::max();

[[noreturn]] void fail(const QString &fileName, const QString &cause)
{
    throw AudioError(QStringLiteral("Cannot complete \"%1\": %2").arg(fileName, cause));
}

struct BoxHeader {
    qint64 size = 0;
    QByteArray type;
};

// The box header at offset, or nothing for one this writer's muxer never makes.
std::optional<BoxHeader> headerAt(QFile &file, qint64 offset)
{
    std::array<uchar, kBoxHeaderBytes> bytes{};
    if (!file.seek(offset)
        || file.read(reinterpret_cast<char *>(bytes.data()), kBoxHeaderBytes) != kBoxHeaderBytes)
        return std::nullopt;
    const qint64 size = qFromBigEndian<quint32>(bytes.data());
    if (size < kBoxHeaderBytes)
        return std::nullopt;
    return BoxHeader{size, QByteArray(reinterpret_cast<const char *>(bytes.data() + 4), 4)};
}

// The offset of the first box of that type between from and to; -1 if none.
qint64 find(QFile &file, qint64 from, qint64 to, const char *type)
{
    for (qint64 offset = from; offset < to;) {
        const auto header = headerAt(file, offset);
        if (!header)
            return -1;
        if (header->type == type)
            return offset;
        offset += header->size;
    }
    return -1;
}

}  // namespace

void lengthenMp4Movie(const QString &path, const QString &fileName, qint64 primingFrames,
                      int sampleRate)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        fail(fileName, file.errorString());
    const qint64 moov = find(file, 0, file.size(), "moov");
    const auto moovHeader = moov < 0 ? std::nullopt : headerAt(file, moov);
    const qint64 mvhd =
        moovHeader ? find(file, moov + kBoxHeaderBytes, moov + moovHeader->size, "mvhd") : -1;
    if (mvhd < 0 || !file.seek(mvhd + kBoxHeaderBytes))
        fail(fileName, QStringLiteral("its movie header was not found"));
    const QByteArray body = file.read(kDurationOffset[1] + 8);
    const int version = body.isEmpty() ? -1 : body[0];
    const qsizetype durationBytes = version == 0 ? 4 : 8;
    if ((version != 0 && version != 1) || body.size() < kDurationOffset[version] + durationBytes)
        fail(fileName, QStringLiteral("its movie header was not written as expected"));
    const auto *bytes = reinterpret_cast<const uchar *>(body.constData());
    const qint64 timescale = qFromBigEndian<quint32>(bytes + kTimescaleOffset[version]);
    const qint64 durationAt = kDurationOffset[version];
    const qint64 duration = version == 0 ? qint64(qFromBigEndian<quint32>(bytes + durationAt))
                                         : qint64(qFromBigEndian<quint64>(bytes + durationAt));
    // Rounded up: the end must not fall short of the last frame.
    const qint64 lengthened = duration + (primingFrames * timescale + sampleRate - 1) / sampleRate;
    QByteArray patch(durationBytes, '\0');
    if (version == 0)
        qToBigEndian<quint32>(quint32(std::min<qint64>(lengthened, kMaxDuration32)), patch.data());
    else
        qToBigEndian<quint64>(quint64(lengthened), patch.data());
    if (!file.seek(mvhd + kBoxHeaderBytes + durationAt) || file.write(patch) != patch.size()
        || !file.flush())
        fail(fileName, file.errorString());
}
