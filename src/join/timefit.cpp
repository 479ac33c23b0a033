#include "join/timefit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kTableSteps = 512;  // kernel values per sample
constexpr double kKaiserBeta = 8.0;
// Of the Nyquist frequency, and below it by the largest change of speed a
// junction is given, so that audio read faster does not alias: 20 kHz at
// 44.1 kHz.
constexpr double kCutoff = 0.95 / 1.05;
constexpr int kTaps = 2 * TimeFit::kReach;

double besselI0(double x)
{
    double sum = 1.0;
    double term = 1.0;
    for (int k = 1; k < 30; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

// A Kaiser-windowed sinc, tabulated over [-kReach, kReach] once.
const std::vector<float> &kernel()
{
    static const std::vector<float> table = [] {
        std::vector<float> values(std::size_t(kTaps * kTableSteps + 2), 0.0f);
        const double norm = besselI0(kKaiserBeta);
        for (int i = 0; i <= kTaps * kTableSteps; ++i) {
            const double x = double(i) / kTableSteps - TimeFit::kReach;
            const double r = x / TimeFit::kReach;
            const double window =
                besselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1 - r * r))) / norm;
            const double arg = std::numbers::pi * kCutoff * x;
            const double sinc = x == 0 ? 1.0 : std::sin(arg) / arg;
            values[std::size_t(i)] = float(kCutoff * sinc * window);
        }
        return values;
    }();
    return table;
}

}  // namespace

// p(0) = 0, p(target) = frames, speed 1 at both ends.
double TimeFit::position(double i, qint64 frames, qint64 target)
{
    const double u = i / double(target);
    const double delta = double(frames - target);
    return i + delta * (u - std::sin(2 * std::numbers::pi * u) / (2 * std::numbers::pi));
}

double TimeFit::speedChange(qint64 frames, qint64 target)
{
    return target > 0 ? 2.0 * std::abs(double(frames - target)) / double(target) : 0.0;
}

SampleArray TimeFit::fit(const SampleArray &source, int channels, qint64 start, qint64 frames,
                         qint64 target)
{
    const auto ch = std::size_t(channels);
    SampleArray out(std::size_t(target) * ch, 0.0f);
    if (frames == target) {
        std::copy_n(source.begin() + std::ptrdiff_t(start * channels), out.size(), out.begin());
        return out;
    }
    const std::vector<float> &table = kernel();
    const auto available = qint64(source.size() / ch);
    for (qint64 i = 0; i < target; ++i) {
        const double p = double(start) + position(double(i), frames, target);
        const auto first = qint64(std::floor(p)) - kReach + 1;
        // Every tap lies the same fraction between two of the table's values.
        const double at = (double(first) - p + kReach) * kTableSteps;
        const auto index = qint64(std::floor(at));
        const auto fraction = float(at - double(index));
        for (int tap = 0; tap < kTaps; ++tap) {
            const qint64 k = first + tap;
            const qint64 t = index + qint64(tap) * kTableSteps;
            if (k < 0 || k >= available || t < 0 || t + 1 >= qint64(table.size()))
                continue;
            const float weight =
                table[std::size_t(t)] * (1 - fraction) + table[std::size_t(t) + 1] * fraction;
            for (std::size_t c = 0; c < ch; ++c)
                out[std::size_t(i) * ch + c] += weight * source[std::size_t(k) * ch + c];
        }
    }
    return out;
}

double TimeFit::landing(double where, qint64 frames, qint64 target)
{
    double low = 0;
    double high = double(target);
    for (int step = 0; step < 60; ++step) {
        const double middle = (low + high) / 2;
        (position(middle, frames, target) < where ? low : high) = middle;
    }
    return low;
}
