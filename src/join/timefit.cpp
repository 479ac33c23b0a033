#include "join/timefit.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

constexpr int kTableSteps = 512;  // kernel values per sample
constexpr double kKaiserBeta = 8.0;
constexpr double kCutoff = 0.95;  // of the Nyquist frequency, below the speed change

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

// The interpolation kernel for one cutoff, tabulated over [-kReach, kReach].
class Kernel {
public:
    explicit Kernel(double cutoff) : m_table(kSize)
    {
        const double norm = besselI0(kKaiserBeta);
        for (int i = 0; i < kSize; ++i) {
            const double x = double(i) / kTableSteps - TimeFit::kReach;
            const double r = x / TimeFit::kReach;
            const double window =
                besselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1 - r * r))) / norm;
            const double arg = std::numbers::pi * cutoff * x;
            const double sinc = x == 0 ? 1.0 : std::sin(arg) / arg;
            m_table[std::size_t(i)] = cutoff * sinc * window;
        }
    }
    double at(double x) const
    {
        const double index = (x + TimeFit::kReach) * kTableSteps;
        const auto i = std::size_t(index);
        if (i + 1 >= m_table.size())
            return 0;
        const double f = index - double(i);
        return m_table[i] * (1 - f) + m_table[i + 1] * f;
    }

private:
    static constexpr int kSize = 2 * TimeFit::kReach * kTableSteps + 1;
    std::vector<double> m_table;
};

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
    const double speed = 1 + speedChange(frames, target);
    const Kernel kernel(kCutoff / std::max(1.0, speed));
    const auto available = qint64(source.size() / ch);
    for (qint64 i = 0; i < target; ++i) {
        const double p = double(start) + position(double(i), frames, target);
        const auto centre = qint64(std::floor(p));
        for (qint64 k = centre - kReach + 1; k <= centre + kReach; ++k) {
            if (k < 0 || k >= available)
                continue;
            const auto weight = float(kernel.at(double(k) - p));
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
