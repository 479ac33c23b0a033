#include "join/loudnesspass.h"

#include "audio/audiofile.h"
#include "audio/loudness/loudnesscache.h"
#include "join/joinobserver.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// Two inputs at once, one on each core.
constexpr std::size_t kThreads = 2;
// How long the calling thread waits for news before it asks the observer
// again, so that the window keeps answering while a block is decoded.
constexpr auto kPumpInterval = std::chrono::milliseconds(50);
// Frames per read: half a second, for a bar that moves smoothly and a stop
// that is quick. Larger blocks make the measuring no faster.
constexpr int kReadsPerSecond = 2;

struct Event {
    enum class Kind { Starts, Measured, Done, Left, Failed, ThreadEnds };
    Kind kind = Kind::ThreadEnds;
    int row = -1;
    qint64 frames = 0;
    Loudness loudness{};
    std::exception_ptr failure{};
};

}  // namespace

// What the calling thread and the measuring threads share.
struct LoudnessPass::Shared {
    Shared(const QStringList &paths, int channels) : inputs(paths), outputChannels(channels) {}

    void post(Event &&event)
    {
        const std::lock_guard lock(mutex);
        events.push_back(std::move(event));
        news.notify_one();
    }

    // The next event, or none when nothing came for a while.
    std::optional<Event> wait()
    {
        std::unique_lock lock(mutex);
        if (!news.wait_for(lock, kPumpInterval, [this] { return !events.empty(); }))
            return std::nullopt;
        Event event = std::move(events.front());
        events.pop_front();
        return event;
    }

    void measureRows() noexcept;
    // The row's loudness; none when the pass was stopped first.
    std::optional<Loudness> measureRow(AudioFile &reader, int row);

    const QStringList inputs;
    const int outputChannels;
    std::vector<int> rows;
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable news;
    std::deque<Event> events;
};

void LoudnessPass::Shared::measureRows() noexcept
{
    // Only for display: a name that does not take changes nothing else.
    pthread_setname_np(pthread_self(), kThreadName);
    AudioFile reader;
    while (!stop) {
        const std::size_t index = next++;
        if (index >= rows.size())
            break;
        const int row = rows[index];
        post({.kind = Event::Kind::Starts, .row = row});
        try {
            const std::optional<Loudness> loudness = measureRow(reader, row);
            if (!loudness) {
                post({.kind = Event::Kind::Left, .row = row});
                break;
            }
            post({.kind = Event::Kind::Done, .row = row, .loudness = *loudness});
        } catch (...) {
            reader.abortFile();
            post({.kind = Event::Kind::Failed, .row = row, .failure = std::current_exception()});
            break;
        }
    }
    post({.kind = Event::Kind::ThreadEnds});
}

std::optional<Loudness> LoudnessPass::Shared::measureRow(AudioFile &reader, int row)
{
    const QString &path = inputs.at(row);
    reader.openFile(path, 0, 1);
    LoudnessMeter meter(path, reader.sampleRate(), reader.channels(), outputChannels);
    // As far as the join reads: the length counted, or an early end.
    const qint64 length = reader.sampleCount();
    const qint64 readSize = std::max(reader.sampleRate() / kReadsPerSecond, 1);
    for (qint64 position = 0; position < length;) {
        if (stop) {
            reader.closeFile();
            return std::nullopt;
        }
        SampleArray block = reader.readSamples(int(std::min(readSize, length - position)));
        if (block.empty())
            break;
        meter.add(block);
        const qint64 frames = qint64(block.size()) / reader.blockAlign();
        reader.releaseSamples(std::move(block));
        position += frames;
        post({.kind = Event::Kind::Measured, .row = row, .frames = frames});
    }
    reader.closeFile();
    return meter.result();
}

LoudnessPass::LoudnessPass(const QStringList &inputs, qint64 totalFrames, int outputChannels)
    : m_inputs(inputs), m_totalFrames(totalFrames), m_outputChannels(outputChannels)
{}

LoudnessPass::~LoudnessPass() = default;

bool LoudnessPass::run(JoinObserver &observer)
{
    Shared shared(m_inputs, m_outputChannels);
    m_results.assign(std::size_t(m_inputs.size()), Loudness());
    qint64 total = m_totalFrames;
    for (int row = 0; row < m_inputs.size(); ++row) {
        if (const std::optional<Loudness> known =
                LoudnessCache::find(m_inputs.at(row), m_outputChannels)) {
            m_results[std::size_t(row)] = *known;
            total -= known->frames;
        } else {
            shared.rows.push_back(row);
        }
    }
    if (shared.rows.empty())
        return true;

    // Stopped and waited for however this ends, an observer's exception included.
    struct Threads {
        Shared &shared;
        std::vector<std::thread> running;
        ~Threads()
        {
            shared.stop = true;
            for (std::thread &thread : running)
                thread.join();
        }
    } threads{shared, {}};
    const std::size_t count = std::min(kThreads, shared.rows.size());
    for (std::size_t i = 0; i < count; ++i)
        threads.running.emplace_back([&shared] { shared.measureRows(); });

    std::size_t ended = 0;
    qint64 processed = 0;
    bool stopped = false;
    std::exception_ptr failure;
    while (ended < count) {
        if (std::optional<Event> event = shared.wait()) {
            switch (event->kind) {
            case Event::Kind::Starts:
                observer.rowMeasuring(event->row);
                break;
            case Event::Kind::Measured:
                processed += event->frames;
                observer.measured(std::clamp<qint64>(processed, 0, total), total);
                break;
            case Event::Kind::Done:
                m_results[std::size_t(event->row)] = event->loudness;
                LoudnessCache::store(m_inputs.at(event->row), m_outputChannels, event->loudness);
                observer.rowMeasured(event->row);
                break;
            case Event::Kind::Left:
                observer.rowMeasured(event->row);
                break;
            case Event::Kind::Failed:
                // The first failure is the one reported; the other thread stops.
                if (!failure)
                    failure = event->failure;
                shared.stop = true;
                break;
            case Event::Kind::ThreadEnds:
                ++ended;
                break;
            }
        }
        if (!failure && !stopped && !observer.measuringGoesOn()) {
            stopped = true;
            shared.stop = true;
        }
    }
    if (failure)
        std::rethrow_exception(failure);
    return !stopped;
}
