#include "join/mp3junction.h"

#include "audio/copy/lamewindowencoder.h"
#include "audio/copy/mp3copywriter.h"
#include "audio/copy/mp3fileindex.h"
#include "audio/copy/mp3framepacker.h"
#include "audio/copy/mp3windowdecoder.h"
#include "audio/core/audioerror.h"
#include "join/timefit.h"

#include <algorithm>
#include <cmath>

namespace {

// The window's last frames of audio are held back until its length is known,
// to be fitted into whole frames: enough that the change of speed stays small.
constexpr qint64 kHeldFrames = 24;
// Frames the packer may still change, held back from the writer.
constexpr std::size_t kPackedFrames = 32;
// Frames of the run after the window that LAME is given to look ahead into,
// so that the last kept frame is encoded as it will be heard.
constexpr qint64 kLookaheadFrames = 3;

void applyGain(SampleArray &samples, float gain)
{
    if (gain != 1.0f)
        for (float &sample : samples)
            sample *= gain;
}

SampleArray slice(const SampleArray &samples, int channels, qint64 from, qint64 to)
{
    const auto begin = samples.begin() + std::ptrdiff_t(from * channels);
    return SampleArray(begin, begin + std::ptrdiff_t((to - from) * channels));
}

}  // namespace

Mp3Junction::Mp3Junction(const LameEncoder &settings, Mp3CopyWriter &writer, const QString &target,
                         const Left *left, qint64 pauseFrames, qint64 crossfadeFrames)
    : m_writer(writer),
      m_target(target),
      m_encoder(std::make_unique<LameWindowEncoder>(settings, target)),
      m_mixer([this](const SampleArray &frames) { feed(frames); }, settings.channels(), pauseFrames,
              crossfadeFrames),
      m_channels(settings.channels()),
      m_frameSamples(m_encoder->frameSamples()),
      m_framesBefore(writer.frames())
{
    m_start = m_framesBefore * m_frameSamples;
    const qint64 delay = m_encoder->delay();
    m_context.assign(std::size_t(TimeFit::kReach) * std::size_t(m_channels), 0.0f);
    if (!left) {
        // The stream starts here: every frame LAME makes is kept, and the
        // window's audio starts after the delay its header frame announces.
        m_lead = delay;
        return;
    }
    // LAME is primed with the audio before the window, so that its first kept
    // frame starts exactly where the copied run ends; one frame more than the
    // delay, so that the frame before the kept ones is of the same audio.
    m_skipFrames = (delay + m_frameSamples - 1) / m_frameSamples + 1;
    const qint64 preroll = m_skipFrames * m_frameSamples - delay;
    const Mp3FileIndex &index = *left->index;
    const qint64 firstDecoded = left->frame - (preroll + m_frameSamples - 1) / m_frameSamples;
    SampleArray raw = Mp3WindowDecoder::decode(index, firstDecoded, index.frameCount());
    applyGain(raw, left->gain);
    const qint64 base = firstDecoded * m_frameSamples;
    const qint64 cut = left->frame * m_frameSamples;
    const qint64 end =
        std::min(index.signalStart() + index.signalLength(), index.frameCount() * m_frameSamples);
    const SampleArray primer = slice(raw, m_channels, cut - preroll - base, cut - base);
    encode(primer.data(), preroll);
    std::copy(primer.end() - std::ptrdiff_t(TimeFit::kReach) * m_channels, primer.end(),
              m_context.begin());
    m_mixer.rowStarts(end - cut, false);
    m_mixer.write(slice(raw, m_channels, cut - base, end - base));
}

Mp3Junction::~Mp3Junction() = default;

qint64 Mp3Junction::inputStarts(qint64 frames, bool last)
{
    return m_mixer.rowStarts(frames, last);
}

void Mp3Junction::write(const SampleArray &block)
{
    m_mixer.write(block);
}

void Mp3Junction::feed(const SampleArray &frames)
{
    m_pending.insert(m_pending.end(), frames.begin(), frames.end());
    m_length += qint64(frames.size()) / m_channels;
    const qint64 held = kHeldFrames * m_frameSamples;
    const qint64 pending = qint64(m_pending.size()) / m_channels;
    if (pending < 2 * held)
        return;
    const qint64 count = pending - held;
    encode(m_pending.data(), count);
    const auto end = m_pending.begin() + std::ptrdiff_t(count * m_channels);
    std::copy(end - std::ptrdiff_t(TimeFit::kReach) * m_channels, end, m_context.begin());
    m_pending.erase(m_pending.begin(), end);
    m_fed += count;
    handOver(kPackedFrames);
}

void Mp3Junction::encode(const float *frames, qint64 count)
{
    constexpr qint64 kSlice = 65536;
    for (qint64 done = 0; done < count; done += kSlice)
        m_encoder->encode(frames + done * m_channels, int(std::min(kSlice, count - done)));
}

void Mp3Junction::handOver(std::size_t hold)
{
    auto &frames = m_encoder->frames();
    while (m_skipFrames > 0 && !frames.empty()) {
        frames.pop_front();
        --m_skipFrames;
    }
    while (frames.size() > hold) {
        const QByteArray &frame = frames.front();
        m_writer.writeFrame(reinterpret_cast<const quint8 *>(frame.constData()), int(frame.size()));
        frames.pop_front();
        ++m_kept;
    }
}

qint64 Mp3Junction::finishBefore(const Mp3FileIndex &index, qint64 frame, float gain)
{
    const qint64 lookahead = std::min(kLookaheadFrames, index.frameCount() - frame);
    SampleArray raw = Mp3WindowDecoder::decode(index, 0, frame + lookahead);
    applyGain(raw, gain);
    const qint64 cut = frame * m_frameSamples;
    const qint64 position = m_mixer.rowStarts(cut - index.signalStart(), true);
    m_mixer.write(slice(raw, m_channels, index.signalStart(), cut));
    m_mixer.finish();

    // The audio still held is fitted so that the window ends on a frame's end.
    const qint64 pending = qint64(m_pending.size()) / m_channels;
    const qint64 frames =
        std::max<qint64>(1, std::llround(double(m_lead + m_fed + pending) / m_frameSamples));
    const qint64 target = std::max<qint64>(frames * m_frameSamples - m_lead - m_fed, 1);
    SampleArray source = m_context;
    source.insert(source.end(), m_pending.begin(), m_pending.end());
    const SampleArray after = slice(raw, m_channels, cut, cut + lookahead * m_frameSamples);
    source.insert(source.end(), after.begin(), after.end());
    source.resize(source.size() + std::size_t(TimeFit::kReach) * std::size_t(m_channels), 0.0f);
    const SampleArray fitted = TimeFit::fit(source, m_channels, TimeFit::kReach, pending, target);
    m_fittedFrom = m_fed;
    m_fittedLength = pending;
    m_fittedTarget = target;
    m_pending.clear();
    encode(fitted.data(), target);
    encode(after.data(), qint64(after.size()) / m_channels);
    m_encoder->flush();

    handOver(kPackedFrames);
    auto &made = m_encoder->frames();
    const qint64 wanted = frames - m_kept;
    if (wanted < 0 || qint64(made.size()) < wanted)
        throw AudioError(
            QStringLiteral("%1: LAME made too few frames for a junction").arg(m_target));
    const std::vector<QByteArray> last(made.begin(), made.begin() + std::ptrdiff_t(wanted));
    made.clear();
    for (const QByteArray &packed : Mp3FramePacker::pack(last, index.reachedBytes(frame), m_target))
        m_writer.writeFrame(reinterpret_cast<const quint8 *>(packed.constData()),
                            int(packed.size()));
    m_kept = frames;
    return position;
}

int Mp3Junction::finishAtEnd()
{
    m_mixer.finish();
    const qint64 pending = qint64(m_pending.size()) / m_channels;
    encode(m_pending.data(), pending);
    m_fittedFrom = m_fed;
    m_fittedLength = m_fittedTarget = pending;
    m_fed += pending;
    m_pending.clear();
    m_encoder->flush();
    handOver(0);
    const qint64 end = m_start + m_lead + m_length;
    return int(m_writer.frames() * m_frameSamples + Mp3FrameHeader::kDecoderDelay - end);
}

double Mp3Junction::outputPosition(qint64 position) const
{
    double offset = double(position);
    if (position > m_fittedFrom && m_fittedLength > 0)
        offset =
            double(m_fittedFrom)
            + TimeFit::landing(double(position - m_fittedFrom), m_fittedLength, m_fittedTarget);
    return double(m_start + m_lead) + offset;
}
