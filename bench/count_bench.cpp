// Times what opening an input costs before reading can start, counting its
// exact length included (AudioFile::OpenFile, once per file and process, so no
// remembered count helps), and, for comparison, decoding the whole file. Wall
// time and processor time (user + system) both: on a shared machine the wall
// time also counts the waits for a core.
//
//   count_bench [--count-only] INPUT...     --count-only: no decoding for comparison
//   count_bench              makes a 30-minute 44.1 kHz stereo OGG (128 kbit/s)
//                            and WMA (profile 10) of noise under a tone first

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "support/processusage.h"

#include <QElapsedTimer>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>
#include <random>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kMinutes = 30;
constexpr int kOggKbps = 128;
constexpr int kWmaProfile = 10;
constexpr int kBlockSeconds = 4;
QString writeNoiseAndTone(const QString &path, const std::function<void(AudioFile &)> &format)
{
    AudioFile writer;
    format(writer);
    writer.setInputFormat(kRate, kChannels);
    writer.createFile(path);
    std::mt19937 generator(1);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    SampleArray block(size_t(kRate) * kChannels);
    for (int second = 0; second < kMinutes * 60; ++second) {
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

void measure(const QString &path, bool countOnly)
{
    AudioFile reader;
    QElapsedTimer timer;
    timer.start();
    double cpu = ProcessUsage::cpuSeconds();
    reader.openFile(path, 0, 1);
    const double openSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double openCpu = ProcessUsage::cpuSeconds() - cpu;
    if (countOnly) {
        std::printf("%s: SampleCount %lld; open and count %.3f s (processor %.3f s)\n",
                    qPrintable(path), static_cast<long long>(reader.sampleCount()), openSeconds,
                    openCpu);
        return;
    }
    timer.restart();
    cpu = ProcessUsage::cpuSeconds();
    qint64 frames = 0;
    for (SampleArray samples;
         !(samples = reader.readSamples(kBlockSeconds * reader.sampleRate())).empty();)
        frames += qint64(samples.size()) / reader.blockAlign();
    const double readSeconds = double(timer.nsecsElapsed()) / 1e9;
    const double readCpu = ProcessUsage::cpuSeconds() - cpu;
    std::printf("%s: SampleCount %lld (%.1f min), %lld frames read; open and count %.3f s "
                "(processor %.3f s), decode all %.3f s (processor %.3f s)\n",
                qPrintable(path), static_cast<long long>(reader.sampleCount()),
                double(reader.sampleCount()) / reader.sampleRate() / 60.0,
                static_cast<long long>(frames), openSeconds, openCpu, readSeconds, readCpu);
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        QTemporaryDir dir;
        QStringList inputs;
        for (int i = 1; i < argc; ++i)
            inputs << QString::fromLocal8Bit(argv[i]);
        const bool countOnly = inputs.removeAll(QStringLiteral("--count-only")) > 0;
        if (inputs.isEmpty()) {
            inputs << writeNoiseAndTone(dir.filePath(QStringLiteral("long.ogg")), [](AudioFile &w) {
                w.setOggFormat(kRate, kChannels, kOggKbps, kOggKbps, kOggKbps, -1);
            });
            inputs << writeNoiseAndTone(dir.filePath(QStringLiteral("long.wma")),
                                        [](AudioFile &w) { w.setWmaFormat(kWmaProfile); });
        }
        for (const QString &input : inputs)
            measure(input, countOnly);
    } catch (const AudioError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
