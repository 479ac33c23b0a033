// Two ways to make the audio between two copied MP3 runs a whole number of
// frames, when it is δ samples too long (δ up to half a frame): a slight change
// of speed over the re-encoded frames (TimeFit, what the copy join does), or a
// crossfade that overlaps the audio on both sides of the cut by δ more
// samples. Both are applied to a continuous signal (no MP3 involved) and the
// result is compared with the signal: the worst 2 ms level difference (dips
// where overlapped audio cancels), the largest change of pitch, and the
// error left where the output is matched against the original.
//
//   junctionfit_bench
//
// Signals: music-like (a held chord with a little noise) and speech-like
// (glottal pulses at a gliding pitch through vowel formants, in syllables).

#include "join/timefit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr qint64 kFrame = 1152;
constexpr double kMostSpeedChange = 0.04;   // as the copy join widens its junctions
constexpr qint64 kWindow = kRate / 500;     // 2 ms
constexpr qint64 kCrossfade = kRate / 100;  // 10 ms fade, plus the overlap δ

using Signal = std::vector<float>;

Signal music(qint64 frames)
{
    Signal out(std::size_t(frames), 0.0f);
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (const double f : {261.63, 329.63, 392.0, 523.25})
            v += 0.15 * std::sin(2 * std::numbers::pi * f * t);
        out[std::size_t(i)] = float(v) + noise(random);
    }
    return out;
}

// A resonator per formant over a pulse train; the vowel and the syllable
// envelope change every 180 ms.
Signal speech(qint64 frames)
{
    const double vowels[][3] = {{730, 1090, 2440},
                                {270, 2290, 3010},
                                {300, 870, 2240},
                                {530, 1840, 2480},
                                {570, 840, 2410}};
    Signal out(std::size_t(frames), 0.0f);
    double phase = 0;
    double y[3][2] = {};
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / kRate;
        const double pitch = 120 + 30 * std::sin(2 * std::numbers::pi * 0.7 * t);
        phase += pitch / kRate;
        const double pulse = phase >= 1 ? 1.0 : 0.0;
        phase -= std::floor(phase);
        const auto syllable = std::size_t(t / 0.18);
        const double envelope =
            std::pow(std::sin(std::numbers::pi * std::fmod(t, 0.18) / 0.18), 0.5);
        double v = 0;
        for (int f = 0; f < 3; ++f) {
            const double centre = vowels[syllable % 5][f];
            const double r = std::exp(-std::numbers::pi * 80 / kRate);
            const double a1 = 2 * r * std::cos(2 * std::numbers::pi * centre / kRate);
            const double next = pulse + a1 * y[f][0] - r * r * y[f][1];
            y[f][1] = y[f][0];
            y[f][0] = next;
            v += next / (f + 1);
        }
        out[std::size_t(i)] = float(0.02 * envelope * v);
    }
    return out;
}

double rms(const Signal &s, double from)
{
    const auto start = qint64(std::llround(from));
    double sum = 0;
    for (qint64 i = start; i < start + kWindow; ++i)
        sum += double(s[std::size_t(i)]) * s[std::size_t(i)];
    return std::sqrt(sum / double(kWindow));
}

struct Result {
    double worstLevelDb = 0;
    double worstErrorDb = 0;  // the error left, against the signal, in its worst 2 ms
};

// Compares out[0..target) with the signal read at where(t) from `start`.
template <typename Where>
Result compare(const Signal &signal, qint64 start, const Signal &out, qint64 target, Where where)
{
    Result result;
    result.worstErrorDb = 100;
    for (qint64 w = 0; w + kWindow <= target; w += kWindow) {
        const double level = rms(out, double(w));
        const double wanted = rms(signal, double(start) + where(double(w)));
        if (wanted < 1e-4)
            continue;
        result.worstLevelDb =
            std::max(result.worstLevelDb, std::abs(20 * std::log10(level / wanted)));
        double error = 0;
        double power = 0;
        for (qint64 i = w; i < w + kWindow; ++i) {
            const double p = double(start) + where(double(i));
            const auto k = qint64(std::floor(p));
            const double f = p - double(k);
            const double x = signal[std::size_t(k)] * (1 - f) + signal[std::size_t(k + 1)] * f;
            error += (out[std::size_t(i)] - x) * (out[std::size_t(i)] - x);
            power += x * x;
        }
        result.worstErrorDb = std::min(result.worstErrorDb, 10 * std::log10(power / error));
    }
    return result;
}

void measure(const char *name, const Signal &signal)
{
    std::printf("\n%s\n%6s %7s | %-36s | %-36s\n", name, "delta", "frames",
                "stretch: level dB  error dB  pitch %", "crossfade: level dB  error dB");
    const qint64 start = kRate;  // well inside the signal
    for (const qint64 delta : {72, 144, 288, 432, 576}) {
        qint64 frames = 2;
        while (TimeFit::speedChange(frames * kFrame + delta, frames * kFrame) > kMostSpeedChange
               && frames < 32)
            ++frames;
        const qint64 target = frames * kFrame;
        const qint64 content = target + delta;

        // The stretch, as a junction fits its audio.
        const SampleArray source(signal.begin() + std::ptrdiff_t(start - TimeFit::kReach),
                                 signal.begin()
                                     + std::ptrdiff_t(start + content + TimeFit::kReach));
        const SampleArray fitted = TimeFit::fit(source, 1, TimeFit::kReach, content, target);
        const Signal stretched(fitted.begin(), fitted.end());
        const Result stretch = compare(signal, start, stretched, target, [&](double t) {
            return TimeFit::position(t, content, target);
        });

        // The crossfade: the audio after the middle of the window comes δ
        // samples early, faded in over the audio it replaces.
        Signal faded(static_cast<std::size_t>(target));
        const qint64 middle = target / 2;
        const qint64 overlap = kCrossfade + delta;
        for (qint64 i = 0; i < target; ++i) {
            const double before = signal[std::size_t(start + i)];
            const double after = signal[std::size_t(start + i + delta)];
            const double u = std::clamp(double(i - middle) / double(overlap) + 0.5, 0.0, 1.0);
            faded[std::size_t(i)] = float(before * std::cos(std::numbers::pi * u / 2)
                                          + after * std::sin(std::numbers::pi * u / 2));
        }
        // Matched against the signal it keeps: before, then after the jump.
        const Result crossfade = compare(signal, start, faded, target, [&](double t) {
            return t < double(middle) ? t : t + double(delta);
        });
        std::printf("%6lld %7lld | %17.2f %9.1f %8.2f | %19.2f %9.1f\n",
                    static_cast<long long>(delta), static_cast<long long>(frames),
                    stretch.worstLevelDb, stretch.worstErrorDb,
                    100 * TimeFit::speedChange(content, target), crossfade.worstLevelDb,
                    crossfade.worstErrorDb);
    }
}

}  // namespace

int main()
{
    const qint64 frames = 4 * kRate;
    measure("music-like (held chord)", music(frames));
    measure("speech-like (pulses through formants)", speech(frames));
    return 0;
}
