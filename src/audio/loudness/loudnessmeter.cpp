#include "audio/loudness/loudnessmeter.h"

#include "audio/core/audioerror.h"
#include "audio/core/avdeleters.h"
#include "audio/core/channelmix.h"

#include <cmath>
#include <mutex>
#include <shared_mutex>
#include <span>

namespace {

// Integrated loudness (with the histogram, whose memory stays the same for
// inputs of any length) and true peak.
constexpr int kMode = EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK | EBUR128_MODE_HISTOGRAM;

// libebur128 fills tables that all its states share each time it makes a
// state, and every state reads them: making one must not overlap another's use.
std::shared_mutex &sharedTables()
{
    static std::shared_mutex lock;
    return lock;
}

QString codeText(int code)
{
    switch (code) {
    case EBUR128_ERROR_NOMEM:
        return QStringLiteral("out of memory");
    case EBUR128_ERROR_INVALID_MODE:
        return QStringLiteral("invalid mode");
    case EBUR128_ERROR_INVALID_CHANNEL_INDEX:
        return QStringLiteral("invalid channel index");
    default:
        return QStringLiteral("error %1").arg(code);
    }
}

void check(int code, const char *call, const QString &fileName)
{
    if (code != EBUR128_SUCCESS)
        throw AudioError(QStringLiteral("%1: %2 failed: %3")
                             .arg(fileName, QString::fromLatin1(call), codeText(code)));
}

}  // namespace

class LoudnessMeter::Impl {
public:
    QString fileName;
    int channels = 0;
    // Empty when the input is measured with its own channels.
    std::span<const double> mix;
    SampleArray mixed;
    // The channels measured: the output's when mixed, else the input's.
    int measured = 0;
    Ebur128StatePtr state;
    qint64 frames = 0;
};

LoudnessMeter::LoudnessMeter(const QString &fileName, int sampleRate, int channels,
                             int outputChannels)
    : m_impl(std::make_unique<Impl>())
{
    m_impl->fileName = fileName;
    m_impl->channels = channels;
    m_impl->mix = ChannelMix::matrix(channels, outputChannels);
    m_impl->measured = m_impl->mix.empty() ? channels : outputChannels;
    if (sampleRate > 0 && channels > 0) {
        const std::unique_lock lock(sharedTables());
        m_impl->state.reset(ebur128_init(unsigned(m_impl->measured), unsigned(sampleRate), kMode));
    }
    if (!m_impl->state)
        throw AudioError(
            QStringLiteral("%1: ebur128_init failed: cannot measure %2 channels at %3 Hz")
                .arg(fileName)
                .arg(channels)
                .arg(sampleRate));
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const SampleArray &block)
{
    const std::size_t frames = block.size() / std::size_t(m_impl->channels);
    const SampleArray *measured = &block;
    if (!m_impl->mix.empty()) {
        ChannelMix::apply(m_impl->mix, m_impl->channels, block, m_impl->mixed);
        measured = &m_impl->mixed;
    }
    const std::shared_lock lock(sharedTables());
    check(ebur128_add_frames_float(m_impl->state.get(), measured->data(), frames),
          "ebur128_add_frames_float", m_impl->fileName);
    m_impl->frames += qint64(frames);
}

Loudness LoudnessMeter::result() const
{
    Loudness loudness;
    loudness.frames = m_impl->frames;
    const std::shared_lock lock(sharedTables());
    // -HUGE_VAL, as the library gives it for no block above the gate, is minus infinity.
    check(ebur128_loudness_global(m_impl->state.get(), &loudness.integrated),
          "ebur128_loudness_global", m_impl->fileName);
    double highest = 0.0;
    for (int channel = 0; channel < m_impl->measured; ++channel) {
        double peak = 0.0;
        check(ebur128_true_peak(m_impl->state.get(), unsigned(channel), &peak), "ebur128_true_peak",
              m_impl->fileName);
        highest = std::max(highest, peak);
    }
    if (highest > 0.0)
        loudness.truePeak = 20.0 * std::log10(highest);
    return loudness;
}
