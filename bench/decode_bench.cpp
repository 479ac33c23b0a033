// Reads inputs the way a join does (OpenFile, Seek, blocks of 4 × rate frames
// until empty) and prints, per input, the time to open and count, the time to
// read, and seconds of audio per second of wall time. Each input is read twice:
// the second opening shows what the remembered count saves.
//
//   decode_bench INPUT...
//   decode_bench                 makes a one-minute 44.1 kHz stereo MP3 (noise and tone) first

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"

#include <QElapsedTimer>
#include <QString>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kSeconds = 60;
constexpr int kBlockSeconds = 4;

// Noise under a tone: something like music for the encoder, unlike a bare tone.
QString writeMinuteMp3(const QString &path)
{
    AudioFile writer;
    LameEncoder lame;
    lame.setBitrate(192);
    writer.setMp3Encoder(lame);
    writer.setInputFormat(kRate, kChannels);
    writer.createFile(path);
    std::mt19937 generator(1);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    SampleArray block(size_t(kRate) * kChannels);
    for (int second = 0; second < kSeconds; ++second) {
        for (int i = 0; i < kRate; ++i) {
            const double t = double(second * kRate + i) / kRate;
            const float tone = float(0.3 * std::sin(2.0 * std::numbers::pi * 440.0 * t));
            for (int c = 0; c < kChannels; ++c)
                block[size_t(i * kChannels + c)] = tone + noise(generator);
        }
        writer.writeSamples(block);
    }
    writer.closeFile();
    return path;
}

void measure(const QString &path)
{
    AudioFile reader;
    QElapsedTimer timer;
    timer.start();
    reader.openFile(path, 0, 1);
    const double openSeconds = timer.nsecsElapsed() / 1e9;
    const int block = kBlockSeconds * reader.sampleRate();
    qint64 frames = 0;
    for (SampleArray samples; !(samples = reader.readSamples(block)).empty();)
        frames += qint64(samples.size()) / reader.blockAlign();
    const double totalSeconds = timer.nsecsElapsed() / 1e9;
    reader.closeFile();
    const double audioSeconds = double(frames) / reader.sampleRate();
    std::printf("%s: %lld frames (SampleCount %lld), %.1f s of audio; open %.4f s, read %.4f s, "
                "%.0f s of audio per second\n",
                qPrintable(path), static_cast<long long>(frames),
                static_cast<long long>(reader.sampleCount()), audioSeconds, openSeconds,
                totalSeconds - openSeconds, audioSeconds / totalSeconds);
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        QTemporaryDir dir;
        QStringList inputs;
        for (int i = 1; i < argc; ++i)
            inputs << QString::fromLocal8Bit(argv[i]);
        if (inputs.isEmpty())
            inputs << writeMinuteMp3(dir.filePath(QStringLiteral("minute.mp3")));
        for (const QString &input : inputs) {
            measure(input);
            measure(input);
        }
    } catch (const AudioError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
