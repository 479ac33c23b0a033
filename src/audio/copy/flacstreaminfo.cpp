#include "audio/copy/flacstreaminfo.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr int kMaxBlockAt = 2;
constexpr int kMinFrameAt = 4;
constexpr int kMaxFrameAt = 7;
constexpr int kFormatAt = 10;  // rate 20 bits, channels-1 3, bits-1 5, total 36
constexpr int kMd5At = 18;
constexpr int kMd5Bytes = 16;
constexpr int kRateShift = 44;
constexpr int kChannelsShift = 41;
constexpr int kBitsShift = 36;
constexpr quint64 kChannelsMask = 7;
constexpr quint64 kBitsMask = 31;

qint64 bigEndian24(const quint8 *data)
{
    return qint64(data[0]) << 16 | qint64(data[1]) << 8 | data[2];
}

void putBigEndian24(char *data, qint64 value)
{
    data[0] = char(value >> 16);
    data[1] = char(value >> 8);
    data[2] = char(value);
}

}  // namespace

FlacStreamInfo FlacStreamInfo::parse(const quint8 *data)
{
    FlacStreamInfo info;
    info.minBlock = qFromBigEndian<quint16>(data);
    info.maxBlock = qFromBigEndian<quint16>(data + kMaxBlockAt);
    info.minFrameBytes = bigEndian24(data + kMinFrameAt);
    info.maxFrameBytes = bigEndian24(data + kMaxFrameAt);
    const auto packed = qFromBigEndian<quint64>(data + kFormatAt);
    info.format = {int(packed >> kRateShift), int((packed >> kChannelsShift & kChannelsMask) + 1),
                   int((packed >> kBitsShift & kBitsMask) + 1)};
    info.samples = qint64(packed & quint64(kMaxSamples));
    info.md5 = QByteArray(reinterpret_cast<const char *>(data + kMd5At), kMd5Bytes);
    return info;
}

QByteArray FlacStreamInfo::bytes() const
{
    QByteArray info(kBytes, char(0));
    char *data = info.data();
    qToBigEndian<quint16>(quint16(minBlock), data);
    qToBigEndian<quint16>(quint16(maxBlock), data + kMaxBlockAt);
    putBigEndian24(data + kMinFrameAt, minFrameBytes);
    putBigEndian24(data + kMaxFrameAt, maxFrameBytes);
    const quint64 packed = quint64(format.sampleRate) << kRateShift
                           | quint64(format.channels - 1) << kChannelsShift
                           | quint64(format.bitsPerSample - 1) << kBitsShift | quint64(samples);
    qToBigEndian(packed, data + kFormatAt);
    std::copy_n(md5.cbegin(), std::min<qsizetype>(md5.size(), kMd5Bytes), data + kMd5At);
    return info;
}
