#include "player/audioplayer.h"

#include "audio/core/audioerror.h"
#include "player/playbackqueue.h"
#include "player/sinkfeed.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTimer>

#include <atomic>

namespace {

constexpr int kMaxSampleRate = 384000;
constexpr int kMaxChannels = 8;
// The sound server's buffer: short, so that Stop and the end are prompt.
constexpr qint64 kSinkBufferMicroseconds = 250000;
// Silence pushed after the end beyond the buffer, for the server's own latency.
constexpr qint64 kPaddingMarginMicroseconds = 50000;
constexpr int kSilentTickMilliseconds = 10;
constexpr qint64 kNanosecondsPerSecond = 1000000000;

bool silentOutputForced()
{
    return qEnvironmentVariableIntValue("VANTOREL_SILENT_AUDIO") == 1;
}

}  // namespace

class AudioPlayer::Impl : public QObject {
public:
    explicit Impl(AudioPlayer &player);
    ~Impl() override;

    void setFormat(int sampleRate, int channels);
    void loadArray(const SampleArray &samples);
    void play();
    void stop();
    bool isSilent() const { return m_output == Output::Silent; }

private:
    enum class Output { None, Sink, Silent };
    enum class EndState { NotYet, Reached, Delivered };
    enum class Event { EndArray, Request, End };

    void openOutput();
    enum class SinkDeletion { Now, Later };

    bool openSink();
    void closeSink(SinkDeletion deletion = SinkDeletion::Later);
    void onSinkStateChanged(QAudio::State state);
    void fallBackToSilent();
    void startSilentClock();
    void silentTick();
    void scheduleDispatch();
    void dispatchProgress();
    bool endHasPlayed() const;
    void post(Event event);
    void deliver(quint64 generation, Event event);

    AudioPlayer &m_player;
    PlaybackQueue m_queue;
    Output m_output = Output::None;
    bool m_playing = false;
    EndState m_endState = EndState::NotYet;
    // Bumped by SetFormat, so that events of the former file are dropped.
    std::atomic<quint64> m_generation{0};

    std::unique_ptr<SinkFeed> m_feed;
    std::unique_ptr<QAudioSink> m_sink;

    QTimer m_silentClock;
    QElapsedTimer m_silentElapsed;
    qint64 m_segmentStartNs = 0;
    qint64 m_segmentFrames = 0;
};

AudioPlayer::Impl::Impl(AudioPlayer &player) : m_player(player)
{
    m_silentClock.setTimerType(Qt::PreciseTimer);
    m_silentClock.setInterval(kSilentTickMilliseconds);
    connect(&m_silentClock, &QTimer::timeout, this, [this] { silentTick(); });
}

AudioPlayer::Impl::~Impl()
{
    ++m_generation;
    m_silentClock.stop();
    closeSink(SinkDeletion::Now);
}

void AudioPlayer::Impl::setFormat(int sampleRate, int channels)
{
    ++m_generation;
    m_playing = false;
    m_endState = EndState::NotYet;
    m_silentClock.stop();
    closeSink();
    m_output = Output::None;
    m_queue.clear();
    if (sampleRate <= 0 || sampleRate > kMaxSampleRate || channels <= 0 || channels > kMaxChannels)
        throw AudioError(QStringLiteral("The player cannot play %1 Hz with %2 channels")
                             .arg(sampleRate)
                             .arg(channels));
    m_queue.reset(sampleRate, channels);
}

void AudioPlayer::Impl::loadArray(const SampleArray &samples)
{
    m_queue.append(samples);
    if (m_feed)
        m_feed->announceData();
}

void AudioPlayer::Impl::play()
{
    if (m_playing || !m_queue.hasFormat())
        return;
    m_playing = true;
    if (m_output == Output::None)
        openOutput();
    else if (m_output == Output::Sink)
        m_sink->resume();
    else
        startSilentClock();
    if (m_endState == EndState::Reached)
        post(Event::End);
}

void AudioPlayer::Impl::stop()
{
    if (!m_playing)
        return;
    if (m_output == Output::Sink) {
        m_sink->suspend();
    } else if (m_output == Output::Silent) {
        silentTick();  // what has played up to this moment is gone, the rest stays
        m_silentClock.stop();
    }
    m_playing = false;
}

void AudioPlayer::Impl::openOutput()
{
    if (openSink()) {
        m_output = Output::Sink;
        return;
    }
    m_output = Output::Silent;
    startSilentClock();
}

bool AudioPlayer::Impl::openSink()
{
    if (silentOutputForced())
        return false;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(m_queue.sampleRate());
    format.setChannelCount(m_queue.channels());
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return false;

    m_feed = std::make_unique<SinkFeed>(m_queue, [this] { scheduleDispatch(); });
    // Unbuffered: the sink takes frames from the queue only as it asks for them.
    m_feed->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_sink = std::make_unique<QAudioSink>(device, format);
    m_sink->setBufferSize(format.bytesForDuration(kSinkBufferMicroseconds));
    m_sink->start(m_feed.get());
    if (m_sink->state() == QAudio::StoppedState || m_sink->error() != QAudio::NoError) {
        closeSink();
        return false;
    }
    m_feed->setPaddingBytes(m_sink->bufferSize()
                            + format.bytesForDuration(kPaddingMarginMicroseconds));
    connect(m_sink.get(), &QAudioSink::stateChanged, this,
            [this](QAudio::State state) { onSinkStateChanged(state); });
    return true;
}

// A sink's destructor runs an event loop pass, which must not happen inside
// setFormat (and so inside the preview's command handler): there the sink is
// deleted later, taking its feed with it.
void AudioPlayer::Impl::closeSink(SinkDeletion deletion)
{
    if (m_sink) {
        m_sink->disconnect(this);
        m_sink->stop();
    }
    if (m_feed)
        m_feed->close();
    if (m_sink && deletion == SinkDeletion::Later) {
        QAudioSink *sink = m_sink.release();
        if (m_feed)
            m_feed.release()->setParent(sink);
        sink->deleteLater();
    }
    m_sink.reset();
    m_feed.reset();
}

// A server that goes away mid-play must not stall the preview: the rest of the
// queue plays on the silent output.
void AudioPlayer::Impl::onSinkStateChanged(QAudio::State state)
{
    if (state != QAudio::StoppedState || m_sink->error() == QAudio::NoError)
        return;
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation && m_output == Output::Sink)
                fallBackToSilent();
        },
        Qt::QueuedConnection);
}

void AudioPlayer::Impl::fallBackToSilent()
{
    closeSink();
    m_output = Output::Silent;
    if (m_playing)
        startSilentClock();
    scheduleDispatch();
}

void AudioPlayer::Impl::startSilentClock()
{
    if (!m_silentElapsed.isValid())
        m_silentElapsed.start();
    m_segmentStartNs = m_silentElapsed.nsecsElapsed();
    m_segmentFrames = 0;
    m_silentClock.start();
}

// Consumes what real time says has played since the segment began. A queue that
// runs dry starts a new segment, so no debt builds up while waiting for data.
void AudioPlayer::Impl::silentTick()
{
    const qint64 now = m_silentElapsed.nsecsElapsed();
    const qint64 due =
        (now - m_segmentStartNs) * m_queue.sampleRate() / kNanosecondsPerSecond - m_segmentFrames;
    if (due <= 0)
        return;
    const qint64 taken = m_queue.take(due, nullptr);
    m_segmentFrames += taken;
    if (taken < due) {
        m_segmentStartNs = now;
        m_segmentFrames = 0;
    }
    dispatchProgress();
}

// The sink may read from its own thread; the books are kept on the GUI thread.
void AudioPlayer::Impl::scheduleDispatch()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation)
                dispatchProgress();
        },
        Qt::QueuedConnection);
}

void AudioPlayer::Impl::dispatchProgress()
{
    const PlaybackQueue::Progress progress = m_queue.takeProgress();
    for (int i = 0; i < progress.finishedArrays; ++i)
        post(Event::EndArray);
    if (progress.wantsMore)
        post(Event::Request);
    if (m_endState == EndState::NotYet && endHasPlayed()) {
        m_endState = EndState::Reached;
        post(Event::End);
    }
}

bool AudioPlayer::Impl::endHasPlayed() const
{
    if (m_output == Output::Sink)
        return m_feed && m_feed->paddingDone();
    return m_queue.endReached();
}

void AudioPlayer::Impl::post(Event event)
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this, [this, generation, event] { deliver(generation, event); }, Qt::QueuedConnection);
}

void AudioPlayer::Impl::deliver(quint64 generation, Event event)
{
    if (generation != m_generation)
        return;
    switch (event) {
    case Event::EndArray:
        emit m_player.onEndArrayPlay();
        break;
    case Event::Request:
        emit m_player.onRequestOnLoadArray();
        break;
    case Event::End:
        // Held back while stopped; Play posts it again.
        if (m_playing && m_endState == EndState::Reached) {
            m_endState = EndState::Delivered;
            emit m_player.onEndPlay();
        }
        break;
    }
}

AudioPlayer::AudioPlayer(QObject *parent) : QObject(parent), m_impl(std::make_unique<Impl>(*this))
{}

AudioPlayer::~AudioPlayer() = default;

void AudioPlayer::setFormat(int sampleRate, int channels)
{
    m_impl->setFormat(sampleRate, channels);
}

void AudioPlayer::loadArray(const SampleArray &samples)
{
    m_impl->loadArray(samples);
}

void AudioPlayer::play()
{
    m_impl->play();
}

void AudioPlayer::stop()
{
    m_impl->stop();
}

bool AudioPlayer::isSilentOutput() const
{
    return m_impl->isSilent();
}
