// Writes one input in each of the six output formats with the default settings
// of each, the way a join does (read blocks of 4 × rate × channels frames, write
// them), and prints seconds of audio per second of wall time and the peak
// resident memory.
//
//   audio_bench INPUT [OUTPUT_FOLDER [EXTENSION...]]
//                                            outputs go to /tmp unless a folder is given;
//                                            extensions (flac m4b ...) pick formats
//   audio_bench --tone SECONDS FILE.mp3      writes a 44.1 kHz stereo 128 kbit/s tone input

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"
#include "support/processusage.h"

#include <QDir>
#include <QElapsedTimer>
#include <QString>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <numbers>

namespace {

constexpr int kToneRate = 44100;
constexpr int kToneChannels = 2;
constexpr int kBlockSeconds = 4;
constexpr int kDefaultWmaProfile = 10;
void writeTone(double seconds, const QString &path)
{
    AudioFile writer;
    writer.setMp3Encoder(LameEncoder());
    writer.setInputFormat(kToneRate, kToneChannels);
    writer.createFile(path);
    const qint64 total = std::llround(seconds * kToneRate);
    SampleArray block;
    for (qint64 done = 0; done < total;) {
        const qint64 frames = std::min<qint64>(kToneRate, total - done);
        block.resize(static_cast<std::size_t>(frames * kToneChannels));
        for (qint64 i = 0; i < frames; ++i) {
            const double t = static_cast<double>(done + i) / kToneRate;
            block[static_cast<std::size_t>(2 * i)] =
                static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 440 * t));
            block[static_cast<std::size_t>(2 * i + 1)] =
                static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 660 * t));
        }
        writer.writeSamples(block);
        done += frames;
    }
    writer.closeFile();
}

// Reads the whole input once; writes it when a writer is given. Returns frames read.
qint64 pass(const QString &input, AudioFile *writer, int *sampleRate)
{
    AudioFile reader;
    reader.openFile(input, 0, 1);
    *sampleRate = reader.sampleRate();
    if (writer)
        writer->setInputFormat(reader.sampleRate(), reader.channels());
    const qint64 total = reader.sampleCount();
    const int blockFrames = kBlockSeconds * reader.sampleRate() * reader.channels();
    qint64 frames = 0;
    while (frames < total) {
        const SampleArray block = reader.readSamples(blockFrames);
        if (block.empty())
            break;
        frames += static_cast<qint64>(block.size()) / reader.blockAlign();
        if (writer)
            writer->writeSamples(block);
    }
    reader.closeFile();
    return frames;
}

void report(const char *name, qint64 frames, int sampleRate, qint64 elapsedMs, double cpu)
{
    const double audioSeconds = static_cast<double>(frames) / sampleRate;
    const double wallSeconds = elapsedMs / 1000.0;
    std::printf(
        "%-14s %8.1f s audio %8.2f s wall %7.1f x real time %8.2f s cpu   peak RSS %6.1f MiB\n",
        name, audioSeconds, wallSeconds, audioSeconds / std::max(wallSeconds, 1e-3), cpu,
        ProcessUsage::peakResidentMiB());
    std::fflush(stdout);
}

struct Target {
    const char *name;
    const char *extension;
    std::function<void(AudioFile &)> select;
};

}  // namespace

int main(int argc, char **argv)
{
    try {
        if (argc == 4 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--tone")) {
            writeTone(std::atof(argv[2]), QString::fromLocal8Bit(argv[3]));
            return 0;
        }
        if (argc < 2) {
            std::fprintf(stderr,
                         "usage: %s INPUT [OUTPUT_FOLDER [EXTENSION...]]\n"
                         "       %s --tone SECONDS FILE.mp3\n",
                         argv[0], argv[0]);
            return 2;
        }
        const QString input = QString::fromLocal8Bit(argv[1]);
        const QDir outputs(argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QDir::tempPath());
        QStringList chosen;
        for (int i = 3; i < argc; ++i)
            chosen << QLatin1Char('.') + QString::fromLocal8Bit(argv[i]).toLower();

        const Target targets[] = {
            {"MP3 128k q9", ".mp3", [](AudioFile &w) { w.setMp3Encoder(LameEncoder()); }},
            {"WAV 16-bit", ".wav", [](AudioFile &w) { w.setWavFormat(44100, 2, 16); }},
            {"WMA profile 10", ".wma", [](AudioFile &w) { w.setWmaFormat(kDefaultWmaProfile); }},
            {"OGG 128k", ".ogg", [](AudioFile &w) { w.setOggFormat(44100, 2, 128, 128, 128, -1); }},
            {"FLAC level 5", ".flac", [](AudioFile &w) { w.setFlacFormat(44100, 2, 16, 5); }},
            {"M4B 128k", ".m4b", [](AudioFile &w) { w.setM4bFormat(44100, 2, 128); }},
        };

        int sampleRate = 0;
        QElapsedTimer timer;
        timer.start();
        double cpuStart = ProcessUsage::cpuSeconds();
        const qint64 decoded = pass(input, nullptr, &sampleRate);
        report("decode only", decoded, sampleRate, timer.elapsed(),
               ProcessUsage::cpuSeconds() - cpuStart);

        for (const Target &target : targets) {
            if (!chosen.isEmpty() && !chosen.contains(QLatin1String(target.extension)))
                continue;
            AudioFile writer;
            target.select(writer);
            timer.restart();
            cpuStart = ProcessUsage::cpuSeconds();
            writer.createFile(
                outputs.filePath(QStringLiteral("audio_bench") + QLatin1String(target.extension)));
            const qint64 frames = pass(input, &writer, &sampleRate);
            writer.closeFile();
            report(target.name, frames, sampleRate, timer.elapsed(),
                   ProcessUsage::cpuSeconds() - cpuStart);
        }
    } catch (const AudioError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
    return 0;
}
