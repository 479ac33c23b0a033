// The last frame of a FLAC file, found from the file's end: it must end the
// file whole, and a crafted STREAMINFO must not make the search read or check
// more than the largest frame FLAC allows.

#include "audio/decode/flaclastframe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <array>

namespace {

constexpr qint64 kBlock = 4096;

// CRC-8 (polynomial 0x07) and CRC-16 (0x8005) of FLAC frames, not reflected.
template <typename T>
T flacCrc(const QByteArray &bytes, T polynomial)
{
    constexpr int kShift = 8 * sizeof(T) - 8;
    T crc = 0;
    for (const char byte : bytes) {
        crc ^= T(quint8(byte)) << kShift;
        for (int bit = 0; bit < 8; ++bit)
            crc = T(crc & (T(1) << (kShift + 7)) ? T(crc << 1) ^ polynomial : T(crc << 1));
    }
    return crc;
}

// Frame number `number` (below 128) of a fixed-blocksize stream of kBlock-frame
// blocks, holding payload, both CRCs right.
QByteArray frame(int number, const QByteArray &payload)
{
    QByteArray bytes("\xFF\xF8\xC9\x08", 4);  // 4096 frames, 44.1 kHz, mono, 16 bits
    bytes.append(char(number));
    bytes.append(char(flacCrc<quint8>(bytes, 0x07)));
    bytes += payload;
    const quint16 crc = flacCrc<quint16>(bytes, 0x8005);
    bytes.append(char(crc >> 8));
    bytes.append(char(crc & 0xFF));
    return bytes;
}

// STREAMINFO with the block size and the largest frame size it claims.
std::array<quint8, 34> streamInfo(quint32 maxFrameBytes)
{
    std::array<quint8, 34> info{};
    qToBigEndian<quint16>(kBlock, info.data());
    qToBigEndian<quint16>(kBlock, info.data() + 2);
    info[7] = quint8(maxFrameBytes >> 16);
    qToBigEndian<quint16>(quint16(maxFrameBytes), info.data() + 8);
    return info;
}

class FlacLastFrameTest : public testing::Test {
protected:
    std::optional<qint64> endFrame(const QByteArray &file, quint32 maxFrameBytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("a.flac"));
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();
        return FlacLastFrame::endFrame(path, streamInfo(maxFrameBytes).data());
    }

    QTemporaryDir m_dir;
};

}  // namespace

TEST_F(FlacLastFrameTest, TheLastWholeFrameEndsTheStream)
{
    // A payload holding what looks like a frame header: its CRC-16 to the end
    // of the file does not come out, so the real frame around it counts.
    const QByteArray decoy = frame(9, QByteArray(40, '\x11')).left(6);
    const QByteArray frames =
        frame(0, QByteArray(300, '\x22')) + frame(1, QByteArray(100, '\x33') + decoy + "tail");
    for (const quint32 maxFrameBytes : {0u, 500u}) {
        EXPECT_EQ(endFrame("fLaC" + frames, maxFrameBytes), 2 * kBlock);
        EXPECT_EQ(endFrame("fLaC" + frames + "TAG" + QByteArray(125, ' '), maxFrameBytes),
                  2 * kBlock);
        // Cut inside the last frame: its header is there, its CRC is not.
        EXPECT_EQ(endFrame("fLaC" + frames.chopped(1), maxFrameBytes), std::nullopt);
    }
    // A real encoder's frames, whose audio holds bytes that look like headers.
    const QString path =
        Tones::write(m_dir.filePath(QStringLiteral("tone.flac")), ToneFormat::Flac, 44100, 2, 3.0);
    QFile tone(path);
    ASSERT_TRUE(tone.open(QIODevice::ReadOnly));
    const QByteArray info = tone.read(42).mid(8);  // after "fLaC" and the block's header
    EXPECT_EQ(FlacLastFrame::endFrame(path, reinterpret_cast<const quint8 *>(info.constData())),
              Tones::frameCount(44100, 3.0));
}

// STREAMINFO may claim frames of up to 16 MiB, but no frame of FLAC's largest
// block of 8 channels of 32 bits comes near that: only that much of the file's
// end is read, so a "frame" longer than FLAC allows is no frame and a crafted
// file costs no more than a real one.
TEST_F(FlacLastFrameTest, AClaimedFrameSizeBeyondAnyFrameReadsNoFurther)
{
    constexpr quint32 kClaimed = 0xFFFFFF;
    const QByteArray oversized = frame(0, QByteArray(3 * 1024 * 1024, '\0'));
    EXPECT_EQ(endFrame("fLaC" + oversized, kClaimed), std::nullopt);
    EXPECT_EQ(endFrame("fLaC" + oversized + frame(1, QByteArray(1000, '\x44')), kClaimed),
              2 * kBlock);
}
