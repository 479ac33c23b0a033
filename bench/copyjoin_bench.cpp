// Joins that copy frames against joins that encode, and what a copy join does
// to the audio at its junctions.
//
//   copyjoin_bench [FOLDER]      inputs and outputs go to FOLDER, else to a temporary one
//
// Speed: ten distinct one-minute inputs (chords with bursts of noise, so that
// the MP3 encoder draws on its bit reservoir), written by the program's own
// writers as MP3 CBR 128 kbit/s, MP3 VBR quality 2 and FLAC level 5, are joined
// with copying off and on, in turns (off, on, off, on, off, on); each time is
// the median of its three. The MP3 sets are also joined by
//   ffmpeg -f concat -safe 0 -i list.txt -c copy out.mp3
// when an ffmpeg command is found.
//
// Junctions: one continuous signal (two sines and a slow sweep) is cut at five
// places that are no multiples of an MP3 frame, each piece is written as an MP3
// of its own (CBR 128 kbit/s), and the pieces are joined by a copy join and by
// ffmpeg. Both outputs are decoded; each junction is found in them by the least
// squared difference to the signal just before it, and every 2 ms window within
// 50 ms of it is compared with the signal at the same place. The worst level
// difference of each junction is printed.
//
// Exits with 1 when a target is missed.

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/lameencoder.h"
#include "audio/tags/audioinformation.h"
#include "join/joinobserver.h"
#include "join/joinrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <numbers>
#include <optional>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr int kInputs = 10;
constexpr int kInputSeconds = 60;
constexpr int kPairs = 3;
constexpr int kVbrQuality = 2;
constexpr int kFlacLevel = 5;
constexpr int kMp3FrameSamples = 1152;

// Targets: copying against encoding, against ffmpeg's copy, and for FLAC.
constexpr double kCopyToEncode = 0.05;
constexpr double kCopyToFfmpeg = 2.0;
constexpr double kFlacCopyToEncode = 0.2;
constexpr double kWorstJunctionDb = 3.0;

// The junction signal: its length and the places it is cut at.
constexpr int kJunctionSignalSeconds = 20;
constexpr std::array<qint64, 5> kCuts = {123457, 250001, 377777, 512345, 654321};
static_assert(std::ranges::none_of(kCuts, [](qint64 cut) { return cut % kMp3FrameSamples == 0; }));
// 2 ms windows, 50 ms either side of a junction.
constexpr int kWindow = kRate / 500;
constexpr int kWindowsEachSide = 25;
// The copy output may lie up to half an MP3 frame off at each junction;
// ffmpeg's keeps each piece's encoder delay and padding, a few frames at most.
constexpr int kCopySearch = 600;
constexpr int kFfmpegSearch = 4 * kMp3FrameSamples;
constexpr double kSilenceDb = -120.0;

// Goes on to the end and shows nothing.
class SilentObserver : public JoinObserver {
public:
    bool rowStarts(int) override { return true; }
    bool blockStarts() override { return true; }
    void blockWritten(qint64, qint64) override {}
    void rowEnds(int) override {}
    void rowMeasuring(int) override {}
    void rowMeasured(int) override {}
    void measured(qint64, qint64) override {}
    bool measuringGoesOn() override { return true; }
};

using SelectFormat = std::function<void(AudioFile &)>;

LameEncoder cbr128()
{
    return {};  // the program's default: 128 kbit/s
}

LameEncoder vbr2()
{
    LameEncoder encoder;
    encoder.setConstantBitrate(false);
    encoder.setVbrQuality(kVbrQuality);
    return encoder;
}

void selectMp3(AudioFile &writer, const LameEncoder &encoder)
{
    writer.setMp3Encoder(encoder);
}

void selectFlac(AudioFile &writer)
{
    writer.setFlacFormat(kRate, kChannels, 16, kFlacLevel);
}

// Input `index`: a chord a beat (0.5 s), each input in a key of its own, with a
// short burst of noise on every beat.
SampleArray musicLike(int index, qint64 frames)
{
    static constexpr std::array<double, 4> kChord = {1.0, 1.25, 1.5, 2.0};
    static constexpr std::array<double, 4> kProgression = {1.0, 4.0 / 3, 1.5, 1.125};
    const double root = 110.0 * std::pow(2.0, index / 12.0);
    std::mt19937 random(std::mt19937::result_type(index + 1));
    std::uniform_real_distribution<float> noise(-1.0F, 1.0F);
    SampleArray samples(std::size_t(frames * kChannels));
    const qint64 beat = kRate / 2;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double step = kProgression[std::size_t((i / beat / 2) % qint64(kProgression.size()))];
        const double sinceBeat = double(i % beat) / kRate;
        double chord = 0;
        for (double ratio : kChord)
            chord += std::sin(2 * std::numbers::pi * root * step * ratio * t);
        const double level = 0.12 * (0.6 + 0.4 * std::exp(-3.0 * sinceBeat));
        const double burst = sinceBeat < 0.06 ? 0.3 * (1.0 - sinceBeat / 0.06) : 0.0;
        const float left = float(level * chord + burst * noise(random));
        const float right = float(level * chord * 0.9 + burst * noise(random));
        samples[std::size_t(2 * i)] = left;
        samples[std::size_t(2 * i + 1)] = right;
    }
    return samples;
}

void writeFile(const QString &path, const SampleArray &samples, const SelectFormat &select)
{
    AudioFile writer;
    select(writer);
    writer.setInputFormat(kRate, kChannels);
    writer.createFile(path);
    writer.writeSamples(samples);
    writer.closeFile();
}

SampleArray decodeMono(const QString &path)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    const int channels = reader.channels();
    SampleArray mono;
    for (SampleArray block; !(block = reader.readSamples(1 << 16)).empty();) {
        for (std::size_t i = 0; i + std::size_t(channels) <= block.size();
             i += std::size_t(channels)) {
            float sum = 0;
            for (int c = 0; c < channels; ++c)
                sum += block[i + std::size_t(c)];
            mono.push_back(sum / float(channels));
        }
    }
    reader.closeFile();
    return mono;
}

struct JoinOutcome {
    double seconds = 0;
    int copied = 0;
    int encoded = 0;
};

JoinOutcome timeJoin(const QStringList &inputs, const QString &output, const SelectFormat &select,
                     bool copy)
{
    AudioFile reader;
    AudioFile writer;
    AudioInformation information;
    select(writer);
    JoinJob job;
    job.inputs = inputs;
    AudioFile probe;
    for (const QString &input : inputs) {
        probe.openFile(input, 0, 1);
        job.totalFrames += probe.sampleCount();
        probe.closeFile();
    }
    job.chapters = false;
    job.tags = TagValues::none();
    job.outputPath = output;
    job.copy = copy;
    SilentObserver observer;
    JoinRun run(reader, writer, information);
    QElapsedTimer clock;
    clock.start();
    run.run(job, observer);
    return {double(clock.nsecsElapsed()) / 1e9, run.copiedRows(), run.encodedRows()};
}

// ffmpeg's stream copy of the inputs, in order: its time, or none when it failed.
std::optional<double> ffmpegConcat(const QString &ffmpeg, const QStringList &inputs,
                                   const QString &output)
{
    const QString list = output + QStringLiteral(".txt");
    QFile file(list);
    if (!file.open(QIODevice::WriteOnly))
        throw AudioError(QStringLiteral("cannot write %1").arg(list));
    for (const QString &input : inputs)
        file.write(QStringLiteral("file '%1'\n").arg(input).toUtf8());
    file.close();
    QProcess process;
    QElapsedTimer clock;
    clock.start();
    process.start(ffmpeg, {"-nostdin", "-loglevel", "error", "-y", "-f", "concat", "-safe", "0",
                           "-i", list, "-c", "copy", output});
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg failed: %s\n", process.readAllStandardError().constData());
        return std::nullopt;
    }
    return double(clock.nsecsElapsed()) / 1e9;
}

double median(std::vector<double> values)
{
    std::ranges::sort(values);
    return values[values.size() / 2];
}

const char *verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

// Times an encoding join and a copying join of the same inputs in turns.
struct Paired {
    double encode = 0;
    double copy = 0;
    JoinOutcome copyOutcome;
};

Paired pairedJoins(const QStringList &inputs, const QString &output, const SelectFormat &select)
{
    std::vector<double> encode;
    std::vector<double> copy;
    Paired paired;
    for (int pair = 0; pair < kPairs; ++pair) {
        encode.push_back(timeJoin(inputs, output, select, false).seconds);
        paired.copyOutcome = timeJoin(inputs, output, select, true);
        copy.push_back(paired.copyOutcome.seconds);
    }
    paired.encode = median(encode);
    paired.copy = median(copy);
    return paired;
}

bool speed(const QDir &folder, const QString &ffmpeg)
{
    std::printf("making %d inputs of %d s in each of 3 formats ...\n", kInputs, kInputSeconds);
    std::fflush(stdout);
    struct Set {
        const char *name;
        const char *suffix;
        SelectFormat select;
        bool mp3;
        QStringList inputs;
    };
    std::array<Set, 3> sets = {
        Set{"MP3 CBR 128", "cbr.mp3", [](AudioFile &w) { selectMp3(w, cbr128()); }, true, {}},
        Set{"MP3 VBR V2", "vbr.mp3", [](AudioFile &w) { selectMp3(w, vbr2()); }, true, {}},
        Set{"FLAC level 5", "flac", selectFlac, false, {}},
    };
    for (int index = 0; index < kInputs; ++index) {
        const SampleArray samples = musicLike(index, qint64(kInputSeconds) * kRate);
        for (Set &set : sets) {
            set.inputs << folder.filePath(QStringLiteral("in%1.%2").arg(index).arg(set.suffix));
            writeFile(set.inputs.last(), samples, set.select);
        }
    }

    bool pass = true;
    std::printf("\n%-13s %9s %9s %9s  %-9s %s\n", "inputs", "encode s", "copy s", "ffmpeg s",
                "copied", "ratios (target)");
    for (const Set &set : sets) {
        const QString output =
            folder.filePath(QStringLiteral("joined_%1").arg(set.suffix).replace('.', '_')
                            + (set.mp3 ? QStringLiteral(".mp3") : QStringLiteral(".flac")));
        const Paired times = pairedJoins(set.inputs, output, set.select);
        const double ratio = times.copy / times.encode;
        const double target = set.mp3 ? kCopyToEncode : kFlacCopyToEncode;
        pass = pass && ratio <= target;
        std::optional<double> ffmpegTime;
        if (set.mp3 && !ffmpeg.isEmpty()) {
            std::vector<double> runs;
            for (int run = 0; run < kPairs; ++run) {
                const std::optional<double> time =
                    ffmpegConcat(ffmpeg, set.inputs, folder.filePath("ffmpeg.mp3"));
                if (!time)
                    return false;
                runs.push_back(*time);
            }
            ffmpegTime = median(runs);
        }
        std::printf("%-13s %9.3f %9.3f ", set.name, times.encode, times.copy);
        if (ffmpegTime)
            std::printf("%9.3f ", *ffmpegTime);
        else
            std::printf("%9s ", "-");
        std::printf(" %2d of %-3lld copy/encode %.3f (<= %.2f) %s", times.copyOutcome.copied,
                    static_cast<long long>(set.inputs.size()), ratio, target,
                    verdict(ratio <= target));
        if (ffmpegTime) {
            const double toFfmpeg = times.copy / *ffmpegTime;
            pass = pass && toFfmpeg <= kCopyToFfmpeg;
            std::printf(", copy/ffmpeg %.2f (<= %.1f) %s", toFfmpeg, kCopyToFfmpeg,
                        verdict(toFfmpeg <= kCopyToFfmpeg));
        } else if (set.mp3) {
            std::printf(", copy/ffmpeg skipped: no ffmpeg command");
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    return pass;
}

// Sum of two sines whose 2 ms level does not depend on where the window falls
// (1000 and 1500 Hz), and a sweep from 200 to 800 Hz that makes every place of
// it unlike every other, so that the junctions can be found.
SampleArray junctionSignal(qint64 frames)
{
    SampleArray samples(std::size_t(frames * kChannels));
    const double seconds = double(frames) / kRate;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double sweepPhase = 2 * std::numbers::pi * (200 * t + 300 * t * t / seconds);
        const auto value =
            float(0.3 * std::sin(2 * std::numbers::pi * 1000 * t)
                  + 0.25 * std::sin(2 * std::numbers::pi * 1500 * t) + 0.1 * std::sin(sweepPhase));
        samples[std::size_t(2 * i)] = value;
        samples[std::size_t(2 * i + 1)] = value;
    }
    return samples;
}

double levelDb(const SampleArray &mono, qint64 start)
{
    if (start < 0 || start + kWindow > qint64(mono.size()))
        return kSilenceDb;
    double sum = 0;
    for (qint64 i = start; i < start + kWindow; ++i)
        sum += double(mono[std::size_t(i)]) * mono[std::size_t(i)];
    const double rms = std::sqrt(sum / kWindow);
    return rms > 0 ? std::max(kSilenceDb, 20 * std::log10(rms)) : kSilenceDb;
}

// Where the signal just before `cut` lies in the output, as an offset from
// `cut`, searched from `lowest` to `highest`.
qint64 junctionOffset(const SampleArray &signal, const SampleArray &output, qint64 cut,
                      qint64 lowest, qint64 highest)
{
    // The 100 ms before the windows compared.
    const qint64 length = kRate / 10;
    const qint64 start = cut - kWindow * kWindowsEachSide - length;
    double best = std::numeric_limits<double>::max();
    qint64 bestOffset = lowest;
    for (qint64 offset = lowest; offset <= highest; ++offset) {
        if (start + offset < 0 || start + offset + length > qint64(output.size()))
            continue;
        double sum = 0;
        for (qint64 i = 0; i < length && sum < best; ++i) {
            const double d =
                double(output[std::size_t(start + offset + i)]) - signal[std::size_t(start + i)];
            sum += d * d;
        }
        if (sum < best) {
            best = sum;
            bestOffset = offset;
        }
    }
    return bestOffset;
}

struct Worst {
    double db = 0;
    double atMs = 0;
    qint64 offset = 0;
};

// The worst 2 ms level difference around each junction of the output.
std::vector<Worst> junctionLevels(const SampleArray &signal, const SampleArray &output,
                                  qint64 search, qint64 growth)
{
    std::vector<Worst> worst;
    qint64 previous = 0;
    for (qint64 cut : kCuts) {
        const qint64 offset =
            junctionOffset(signal, output, cut, previous - search, previous + search + growth);
        Worst junction{0, 0, offset};
        for (int w = -kWindowsEachSide; w < kWindowsEachSide; ++w) {
            const qint64 at = cut + qint64(w) * kWindow;
            const double difference = std::abs(levelDb(output, at + offset) - levelDb(signal, at));
            if (difference > junction.db)
                junction = {difference, 1000.0 * w * kWindow / kRate, offset};
        }
        worst.push_back(junction);
        previous = offset;
    }
    return worst;
}

bool junctions(const QDir &folder, const QString &ffmpeg)
{
    const qint64 frames = qint64(kJunctionSignalSeconds) * kRate;
    const SampleArray stereo = junctionSignal(frames);
    QStringList pieces;
    qint64 from = 0;
    for (std::size_t i = 0; i <= kCuts.size(); ++i) {
        const qint64 to = i < kCuts.size() ? kCuts[i] : frames;
        pieces << folder.filePath(QStringLiteral("piece%1.mp3").arg(i));
        writeFile(pieces.last(),
                  SampleArray(stereo.begin() + std::ptrdiff_t(from * kChannels),
                              stereo.begin() + std::ptrdiff_t(to * kChannels)),
                  [](AudioFile &w) { selectMp3(w, cbr128()); });
        from = to;
    }
    SampleArray signal(static_cast<std::size_t>(frames));
    for (qint64 i = 0; i < frames; ++i)
        signal[std::size_t(i)] = stereo[std::size_t(2 * i)];

    const QString ours = folder.filePath("junctions_copy.mp3");
    const JoinOutcome outcome = timeJoin(
        pieces, ours, [](AudioFile &w) { selectMp3(w, cbr128()); }, true);
    const std::vector<Worst> copied = junctionLevels(signal, decodeMono(ours), kCopySearch, 0);
    std::vector<Worst> concatenated;
    const QString theirs = folder.filePath("junctions_ffmpeg.mp3");
    if (!ffmpeg.isEmpty() && ffmpegConcat(ffmpeg, pieces, theirs))
        concatenated = junctionLevels(signal, decodeMono(theirs), kCopySearch, kFfmpegSearch);

    std::printf("\njunctions of %lld MP3 pieces (%d copied), worst 2 ms level difference within "
                "50 ms (target: copy join <= %.0f dB)\n",
                static_cast<long long>(pieces.size()), outcome.copied, kWorstJunctionDb);
    std::printf("%-9s %22s %22s\n", "cut at", "copy join dB (at ms)", "ffmpeg concat dB (at ms)");
    bool pass = true;
    for (std::size_t j = 0; j < kCuts.size(); ++j) {
        pass = pass && copied[j].db <= kWorstJunctionDb;
        std::printf("%-9lld %12.2f (%+5.0f ms)", static_cast<long long>(kCuts[j]), copied[j].db,
                    copied[j].atMs);
        if (j < concatenated.size())
            std::printf(" %12.2f (%+5.0f ms)", concatenated[j].db, concatenated[j].atMs);
        else
            std::printf(" %22s", "-");
        std::printf("   offsets %lld", static_cast<long long>(copied[j].offset));
        if (j < concatenated.size())
            std::printf(" / %lld", static_cast<long long>(concatenated[j].offset));
        std::printf("\n");
    }
    std::printf("copy join within %.0f dB at every junction: %s\n", kWorstJunctionDb,
                verdict(pass));
    return pass;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [FOLDER]\n", argv[0]);
        return 2;
    }
    QTemporaryDir temporary;
    const QDir folder(argc == 2 ? QString::fromLocal8Bit(argv[1]) : temporary.path());
    if (!folder.exists() && !QDir().mkpath(folder.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(folder.path()));
        return 2;
    }
    const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
    try {
        QElapsedTimer clock;
        clock.start();
        const bool fast = speed(folder, ffmpeg);
        const bool seamless = junctions(folder, ffmpeg);
        std::printf("\n%s in %.1f s\n", fast && seamless ? "all targets met" : "targets missed",
                    double(clock.elapsed()) / 1000);
        return fast && seamless ? 0 : 1;
    } catch (const AudioError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
