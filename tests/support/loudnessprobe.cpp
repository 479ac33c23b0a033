#include "support/loudnessprobe.h"

#include "audio/audiofile.h"
#include "audio/core/avdeleters.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace LoudnessProbe {

ProbedLoudness measure(const SampleArray &interleaved, int sampleRate, int channels)
{
    const Ebur128StatePtr state(ebur128_init(unsigned(channels), unsigned(sampleRate),
                                             EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    if (!state)
        throw std::runtime_error("ebur128_init failed");
    if (ebur128_add_frames_float(state.get(), interleaved.data(),
                                 interleaved.size() / std::size_t(channels))
        != EBUR128_SUCCESS)
        throw std::runtime_error("ebur128_add_frames_float failed");
    ProbedLoudness probed;
    ebur128_loudness_global(state.get(), &probed.integrated);
    double peak = 0;
    for (int channel = 0; channel < channels; ++channel) {
        double channelPeak = 0;
        ebur128_true_peak(state.get(), unsigned(channel), &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    probed.truePeak = 20 * std::log10(peak);
    return probed;
}

SampleArray atLoudness(SampleArray samples, int sampleRate, int channels, double lufs)
{
    const double now = measure(samples, sampleRate, channels).integrated;
    const auto gain = static_cast<float>(std::pow(10.0, (lufs - now) / 20));
    for (float &sample : samples)
        sample *= gain;
    return samples;
}

SampleArray part(const SampleArray &interleaved, int channels, qint64 firstFrame, qint64 frameCount)
{
    const auto begin = interleaved.begin() + std::ptrdiff_t(firstFrame * channels);
    return SampleArray(begin, begin + std::ptrdiff_t(frameCount * channels));
}

QString writeWav(const QString &path, int sampleRate, int channels, const SampleArray &samples)
{
    AudioFile writer;
    writer.setWavFormat(sampleRate, channels, 16);
    writer.setInputFormat(sampleRate, channels);
    writer.createFile(path);
    writer.writeSamples(samples);
    writer.closeFile();
    return path;
}

}  // namespace LoudnessProbe
