// MP3 written by LAME itself: "VBR Bitrate" caps every frame, and every
// accepted format, down to the lowest bit rates, decodes back to exactly the
// frames written.

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/encode/audioencoder.h"
#include "support/mediaprobe.h"
#include "support/tones.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

// MPEG-1 layer III bit rates by header index (kbit/s).
constexpr int kMpeg1Bitrates[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};

SampleArray noise(int channels, qint64 frames)
{
    std::mt19937 generator(7);
    std::uniform_real_distribution<float> level(-0.7f, 0.7f);
    SampleArray samples(static_cast<std::size_t>(frames * channels));
    for (float &sample : samples)
        sample = level(generator);
    return samples;
}

void write(const QString &path, const LameEncoder &lame, const SampleArray &samples)
{
    AudioFile writer;
    writer.setMp3Encoder(lame);
    writer.setInputFormat(lame.sampleRate(), lame.channels());
    writer.createFile(path);
    writer.writeSamples(samples);
    writer.closeFile();
}

// The bit rate of every audio frame of a 44.1 kHz stereo MP3 file, its
// Xing/Info frame left out. Empty when the bytes after the ID3v2 tag are not
// whole MPEG-1 layer III frames up to the end.
std::vector<int> frameBitrates(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    const auto byte = [&](qsizetype at) { return int(quint8(data.at(at))); };
    qsizetype at = 0;
    if (data.startsWith("ID3"))
        at = 10 + (byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9));
    std::vector<int> bitrates;
    for (bool first = true; at < data.size(); first = false) {
        if (at + 4 > data.size() || byte(at) != 0xFF || (byte(at + 1) & 0xFE) != 0xFA)
            return {};
        const int bitrate = kMpeg1Bitrates[byte(at + 2) >> 4 & 0xF];
        const bool padded = (byte(at + 2) & 0x02) != 0;
        const QByteArray tag = data.mid(at + 4 + 32, 4);
        if (!(first && (tag == "Xing" || tag == "Info")))
            bitrates.push_back(bitrate);
        at += 144000 * bitrate / 44100 + (padded ? 1 : 0);
    }
    return bitrates;
}

class LameMp3WriterTest : public testing::Test {
protected:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

TEST_F(LameMp3WriterTest, VbrBitrateIsTheHighestFrameRate)
{
    const SampleArray samples = noise(2, 3 * 44100);
    LameEncoder lame;
    lame.setConstantBitrate(false);
    lame.setVbrQuality(0);

    lame.setVbrBitrate(96);
    write(path(QStringLiteral("capped.mp3")), lame, samples);
    const std::vector<int> capped = frameBitrates(path(QStringLiteral("capped.mp3")));
    ASSERT_FALSE(capped.empty());
    EXPECT_LE(*std::max_element(capped.begin(), capped.end()), 96);

    lame.setVbrBitrate(320);
    write(path(QStringLiteral("open.mp3")), lame, samples);
    const std::vector<int> open = frameBitrates(path(QStringLiteral("open.mp3")));
    ASSERT_FALSE(open.empty());
    EXPECT_GT(*std::max_element(open.begin(), open.end()), 96);
}

// LAME leaves its header frame out where one frame at the bit rate is too
// small for it (e.g. 32 kbit/s at 44.1 kHz); the trim must hold there too.
TEST_F(LameMp3WriterTest, EveryAcceptedFormatDecodesToTheFramesWritten)
{
    const int sampleRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
    const QString file = path(QStringLiteral("exact.mp3"));
    for (int rate : sampleRates) {
        for (int channels = 1; channels <= 2; ++channels) {
            const qint64 frames = Tones::frameCount(rate, 0.3);
            const SampleArray samples = Tones::samples(rate, channels, 0, frames);
            LameEncoder lame;
            lame.setSampleRate(rate);
            lame.setChannels(channels);
            for (int kbps = 8; kbps <= 320; kbps += 8) {
                if (!AudioEncoder::mp3FormatSupported(rate, kbps, channels))
                    continue;
                lame.setBitrate(kbps);
                write(file, lame, samples);
                EXPECT_EQ(probeMedia(file).decodedFrames, frames)
                    << rate << " Hz " << kbps << " kbit/s " << channels << " ch";
            }
            lame.setConstantBitrate(false);
            write(file, lame, samples);
            EXPECT_EQ(probeMedia(file).decodedFrames, frames) << rate << " Hz VBR " << channels;
        }
    }
}

// Writes half a minute of tone under a file size limit, which stands in for a
// full disk: both first take part of the bytes without a word, then refuse
// the rest. Exits with 1 and the error's text on stderr, or with 0.
[[noreturn]] void writeUnderFileSizeLimit(const QString &target, ToneFormat format)
{
    constexpr rlim_t kLimit = 65536;
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{kLimit, kLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
        Tones::write(target, format, 44100, 2, 30.0);
    } catch (const AudioError &error) {
        std::fputs(error.what(), stderr);
        std::_Exit(1);
    }
    std::_Exit(0);
}

// The error of a disk that fills up names the file and the cause in words, as
// every format does.
TEST_F(LameMp3WriterTest, AFullDiskIsNamedAsTheCause)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(writeUnderFileSizeLimit(path(QStringLiteral("full.mp3")), ToneFormat::Mp3),
                testing::ExitedWithCode(1),
                "full\\.mp3: could not write the file \\(write failed: File too large\\)");
    EXPECT_EXIT(writeUnderFileSizeLimit(path(QStringLiteral("full.ogg")), ToneFormat::Ogg),
                testing::ExitedWithCode(1),
                "full\\.ogg: could not write the file \\(.* failed: File too large\\)");
}

TEST_F(LameMp3WriterTest, RefusedSampleRateNamesTheFileAndLeavesNothing)
{
    LameEncoder lame;
    lame.setSampleRate(44000);
    AudioFile writer;
    writer.setMp3Encoder(lame);
    const QString target = path(QStringLiteral("odd.mp3"));
    try {
        writer.createFile(target);
        ADD_FAILURE() << "no error";
    } catch (const AudioError &error) {
        EXPECT_NE(std::string(error.what()).find(target.toStdString()), std::string::npos)
            << error.what();
    }
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty(QDir::Files | QDir::Hidden));
}

}  // namespace
