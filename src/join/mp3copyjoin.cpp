#include "join/mp3copyjoin.h"

#include "audio/copy/mp3copywriter.h"
#include "audio/copy/mp3fileindex.h"
#include "audio/copy/mp3sideinfo.h"
#include "audio/core/audioerror.h"
#include "audio/core/outputformat.h"
#include "audio/tags/chapterwriter.h"
#include "join/chapterplan.h"
#include "join/decodedinput.h"
#include "join/joinobserver.h"
#include "join/joinrun.h"
#include "join/junctionmixer.h"
#include "join/mp3junction.h"
#include "join/tagstamper.h"
#include "join/timefit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

namespace {

// Shorter inputs are encoded with their neighbours: too few frames to copy.
constexpr qint64 kFewestCopiedFrames = 16;
// One step of global gain: 2^(1/4) in amplitude.
constexpr double kGainStepDb = 1.505149978;
// An input whose gain would clip more of its granules' gains is encoded.
constexpr double kMostClamped = 0.001;
// A junction between two copied runs is widened, frame by frame on either
// side, until the speed change fitting it into whole frames stays below this,
// or it is this many frames long.
constexpr double kMostSpeedChange = 0.04;
constexpr qint64 kWidestJunction = 32;
constexpr int kCopiedChunk = 256;  // frames copied between two questions to go on
constexpr int kTopBitrateIndex = 14;
constexpr int kJunctionNeighbours = 4;

float gainOf(int steps)
{
    return float(std::pow(2.0, steps / 4.0));
}

}  // namespace

struct Mp3CopyJoin::Row {
    std::unique_ptr<Mp3FileIndex> index;
    bool copied = false;
    int gainSteps = 0;
    float gain = 1.0f;  // of an encoded row
    qint64 first = 0;   // copied frames [first, end)
    qint64 end = 0;
};

Mp3CopyJoin::Mp3CopyJoin(const CopyJoinParts &parts) : m_parts(parts) {}

Mp3CopyJoin::~Mp3CopyJoin() = default;

void Mp3CopyJoin::plan()
{
    const JoinJob &job = m_parts.job;
    using Group = std::tuple<int, int, int>;
    // The MPEG version, rate and channels of an input that may be copied.
    const auto groupOf = [](const Mp3FileIndex &index) -> std::optional<Group> {
        if (!index.copyable() || index.frameCount() < kFewestCopiedFrames)
            return std::nullopt;
        const Mp3FrameHeader &h = index.header();
        return Group{h.version(), h.sampleRate(), h.channels()};
    };
    std::map<Group, qint64> lengths;
    std::optional<Group> best;
    for (const QString &input : job.inputs) {
        Row row;
        row.index = std::make_unique<Mp3FileIndex>(input);
        if (const std::optional<Group> group = groupOf(*row.index)) {
            const qint64 total = lengths[*group] += row.index->signalLength();
            if (!best || (*group != *best && total > lengths[*best]))
                best = group;
        }
        m_rows.push_back(std::move(row));
    }
    if (!best)
        return;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        Row &row = m_rows[r];
        const Mp3FileIndex &index = *row.index;
        row.gain = r < m_parts.gains.size() ? m_parts.gains[r] : 1.0f;
        if (groupOf(index) != best)
            continue;
        const Mp3FrameHeader &h = index.header();
        // A length other than the list admitted: FFmpeg trims it otherwise.
        if (int(r) < job.admittedLengths.size()
            && job.admittedLengths[int(r)].frames != index.signalLength())
            continue;
        row.gainSteps =
            int(std::lround(20.0 * std::log10(std::max(row.gain, 1e-6f)) / kGainStepDb));
        if (row.gainSteps != 0) {
            qint64 clamped = 0;
            for (qint64 f = 0; f < index.frameCount(); ++f)
                clamped += Mp3SideInfo(index.frameData(f), h).clampedBy(row.gainSteps);
            if (double(clamped) > kMostClamped * double(index.frameCount()))
                continue;
        }
        row.copied = true;
        m_rate = h.sampleRate();
        m_channels = h.channels();
        m_frameSamples = h.samples();
    }
    // Each is opened again when its turn comes: a long list would run out of
    // file handles.
    for (Row &row : m_rows)
        row.index->close();
}

void Mp3CopyJoin::planCuts()
{
    const qint64 s = m_frameSamples;
    const qint64 x = m_crossfade;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        Row &row = m_rows[r];
        if (!row.copied)
            continue;
        const Mp3FileIndex &index = *row.index;
        const qint64 signalEnd = index.signalStart() + index.signalLength();
        // The first frame copied follows one that is wholly the input's audio
        // (past its delay, and past a crossfade): its first granule overlaps
        // with the frame before, which the junction's frames replace with the
        // same audio. Likewise the last one copied precedes one wholly audio.
        row.first = r == 0 ? 0 : (index.signalStart() + x + s - 1) / s + 1;
        row.end = r + 1 == m_rows.size() ? index.frameCount() : (signalEnd - x) / s - 1;
    }
    for (std::size_t r = 0; r + 1 < m_rows.size(); ++r)
        if (m_rows[r].copied && m_rows[r + 1].copied && m_pause == 0 && x == 0)
            widen(m_rows[r], m_rows[r + 1]);
    // A cut that leaves too little to copy: that input is encoded instead.
    for (Row &row : m_rows)
        if (row.copied && row.end - row.first < kJunctionNeighbours)
            row.copied = false;
}

void Mp3CopyJoin::widen(Row &left, Row &right)
{
    const qint64 s = m_frameSamples;
    const Mp3FileIndex &a = *left.index;
    const Mp3FileIndex &b = *right.index;
    qint64 content =
        a.signalStart() + a.signalLength() - left.end * s + right.first * s - b.signalStart();
    bool leftTurn = true;
    for (;;) {
        const qint64 frames = std::max<qint64>(1, std::llround(double(content) / double(s)));
        if (TimeFit::speedChange(content, frames * s) <= kMostSpeedChange
            || frames >= kWidestJunction)
            return;
        if (leftTurn && left.end - left.first > 2 * qint64(kJunctionNeighbours))
            --left.end;
        else if (right.end - right.first > 2 * qint64(kJunctionNeighbours))
            ++right.first;
        else
            return;
        content += s;
        leftTurn = !leftTurn;
    }
}

LameEncoder Mp3CopyJoin::windowSettings(int leftRow, int rightRow) const
{
    LameEncoder settings = m_parts.format.mp3;
    settings.setSampleRate(m_rate);
    settings.setChannels(m_channels);
    for (int r = leftRow + 1; r < rightRow; ++r)
        if (!m_rows[std::size_t(r)].copied)
            return settings;  // inputs are encoded there: as the MP3 page says
    // Only the seam: at a constant rate as high as the frames around it, but
    // low enough that one frame raised to the highest rate can hold all the
    // next frame reaches back for.
    const Mp3FrameHeader &h =
        m_rows[std::size_t(rightRow < int(m_rows.size()) ? rightRow : leftRow)].index->header();
    int room = 1;
    while (room < kTopBitrateIndex
           && h.bytesAt(kTopBitrateIndex, false) - h.bytesAt(room + 1, false) >= h.maxReach())
        ++room;
    int wanted = 1;
    const auto around = [&](int row, qint64 from, qint64 to) {
        if (row < 0 || row >= int(m_rows.size()))
            return;
        const Mp3FileIndex &index = *m_rows[std::size_t(row)].index;
        for (qint64 f = std::max<qint64>(from, 0); f < std::min(to, index.frameCount()); ++f)
            wanted = std::max(wanted, index.frames()[std::size_t(f)].bitrateIndex);
    };
    if (leftRow >= 0)
        around(leftRow, m_rows[std::size_t(leftRow)].end - kJunctionNeighbours,
               m_rows[std::size_t(leftRow)].end);
    if (rightRow < int(m_rows.size()))
        around(rightRow, m_rows[std::size_t(rightRow)].first,
               m_rows[std::size_t(rightRow)].first + kJunctionNeighbours);
    settings.setConstantBitrate(true);
    settings.setBitrate(h.bitrateOf(std::min(wanted, room)));
    return settings;
}

std::optional<CopyJoinOutcome> Mp3CopyJoin::run()
{
    const JoinJob &job = m_parts.job;
    plan();
    if (m_rate == 0)
        return std::nullopt;
    m_pause =
        job.crossfadeMilliseconds > 0 ? 0 : JunctionMixer::framesFor(job.pauseMilliseconds, m_rate);
    m_crossfade = JunctionMixer::framesFor(job.crossfadeMilliseconds, m_rate);
    planCuts();
    if (std::none_of(m_rows.begin(), m_rows.end(), [](const Row &row) { return row.copied; }))
        return std::nullopt;

    const auto first =
        std::find_if(m_rows.begin(), m_rows.end(), [](const Row &row) { return row.copied; });
    int extraRoom = 0;
    if (job.chapters)
        m_chapters = std::make_unique<ChapterPlan>(
            job.inputs, job.chapterNaming, ChapterWriter::maxChapters(OutputFormat::Kind::Mp3));
    if (m_chapters && !job.admittedLengths.isEmpty())
        extraRoom = ChapterWriter::id3Size(m_chapters->planned(job.admittedLengths, m_rate));
    m_writer = std::make_unique<Mp3CopyWriter>(job.outputPath, first->index->header(), extraRoom,
                                               m_parts.cover);
    m_outcome.outputCreated = true;
    m_rawStarts.assign(m_rows.size(), -1);

    int padding = Mp3FrameHeader::kDecoderDelay;
    for (int r = 0; r < int(m_rows.size()); ++r) {
        if (!m_parts.observer.rowStarts(r)) {
            m_outcome.stopped = true;
            break;
        }
        const bool goesOn = m_rows[std::size_t(r)].copied ? copyRun(r) : encodeRow(r);
        if (!goesOn) {
            m_outcome.stopped = true;
            break;
        }
        m_parts.observer.rowEnds(r);
        const Row &row = m_rows[std::size_t(r)];
        if (row.copied && r + 1 == int(m_rows.size()))
            padding = int(row.index->frameCount() * m_frameSamples + Mp3FrameHeader::kDecoderDelay
                          - row.index->signalStart() - row.index->signalLength());
    }
    if (m_junction) {
        padding = m_junction->finishAtEnd();
        closeJunction();
    }
    if (m_outcome.stopped && !job.keepStoppedOutput) {
        m_writer.reset();
        return m_outcome;
    }
    finish(padding);
    return m_outcome;
}

bool Mp3CopyJoin::copyRun(int r)
{
    Row &row = m_rows[std::size_t(r)];
    Mp3FileIndex &index = *row.index;
    m_parts.observer.rowCopying(r);
    index.reopen();
    ++m_outcome.copiedRows;
    if (m_junction) {
        const qint64 start = m_junction->finishBefore(index, row.first, gainOf(row.gainSteps));
        m_junctionStarts.emplace_back(r, start);
        closeJunction();
    } else {
        // The stream starts with this input's frames, and its trim.
        m_rawStarts[std::size_t(r)] = double(index.signalStart());
        m_signalStart = double(index.signalStart());
    }
    const JoinJob &job = m_parts.job;
    const qint64 admitted =
        r < job.admittedLengths.size() ? job.admittedLengths[r].frames : index.signalLength();
    const qint64 base = m_processed;
    QByteArray frame;
    for (qint64 f = row.first; f < row.end;) {
        if (!m_parts.observer.blockStarts())
            return false;
        const qint64 chunkEnd = std::min(row.end, f + kCopiedChunk);
        for (; f < chunkEnd; ++f) {
            const auto &entry = index.frames()[std::size_t(f)];
            if (row.gainSteps == 0) {
                m_writer->writeFrame(index.frameData(f), entry.bytes);
                continue;
            }
            frame.resize(entry.bytes);
            auto *bytes = reinterpret_cast<quint8 *>(frame.data());
            std::copy_n(index.frameData(f), entry.bytes, bytes);
            Mp3SideInfo(bytes, index.header()).addGain(row.gainSteps);
            m_writer->writeFrame(bytes, entry.bytes);
        }
        m_processed = std::min(base + std::min(f * m_frameSamples, admitted), job.totalFrames);
        m_parts.observer.blockWritten(m_processed, job.totalFrames);
    }
    m_processed = std::min(base + admitted, job.totalFrames);
    if (r + 1 < int(m_rows.size()))
        openJunction(r);
    index.close();
    return true;
}

bool Mp3CopyJoin::encodeRow(int r)
{
    const Row &row = m_rows[std::size_t(r)];
    const JoinJob &job = m_parts.job;
    const QString &input = job.inputs[r];
    ++m_outcome.encodedRows;
    if (!m_junction)
        openJunction(-1);
    DecodedInput decoded(input, row.gain, m_rate, m_channels);
    const bool last = r + 1 == int(m_rows.size());
    m_junctionStarts.emplace_back(r, m_junction->inputStarts(decoded.frames(), last));
    const qint64 base = m_processed;
    qint64 read = 0;
    SampleArray block;
    for (;;) {
        if (!m_parts.observer.blockStarts())
            return false;
        const qint64 frames = decoded.read(block);
        m_junction->write(block);
        if (frames == 0)
            return true;
        read += frames;
        m_processed = std::min(base + read, job.totalFrames);
        m_parts.observer.blockWritten(m_processed, job.totalFrames);
    }
}

void Mp3CopyJoin::openJunction(int leftRow)
{
    int rightRow = leftRow + 1;
    while (rightRow < int(m_rows.size()) && !m_rows[std::size_t(rightRow)].copied)
        ++rightRow;
    const LameEncoder settings = windowSettings(leftRow, rightRow);
    Mp3Junction::Left left;
    if (leftRow >= 0) {
        const Row &row = m_rows[std::size_t(leftRow)];
        left = {row.index.get(), row.end, gainOf(row.gainSteps)};
    }
    m_junction =
        std::make_unique<Mp3Junction>(settings, *m_writer, m_parts.job.outputPath,
                                      leftRow >= 0 ? &left : nullptr, m_pause, m_crossfade);
    if (m_signalStart < 0)
        m_signalStart = m_junction->outputPosition(0);
}

void Mp3CopyJoin::closeJunction()
{
    for (const auto &[row, start] : m_junctionStarts)
        m_rawStarts[std::size_t(row)] = m_junction->outputPosition(start);
    m_junctionStarts.clear();
    m_junction.reset();
}

void Mp3CopyJoin::finish(int padding)
{
    const JoinJob &job = m_parts.job;
    // A first input without a gapless header starts with the decoder's own
    // delay, which the output's header has it skip.
    const auto start = std::max<qint64>(std::llround(m_signalStart), Mp3FrameHeader::kDecoderDelay);
    const int delay = int(start) - Mp3FrameHeader::kDecoderDelay;
    ChapterList chapters;
    if (m_chapters) {
        for (std::size_t r = 0; r < m_rows.size(); ++r) {
            if (m_rawStarts[r] < 0)
                continue;
            m_chapters->outputEndsAt(std::llround(m_rawStarts[r]) - start, m_rate);
            m_chapters->rowStarts(int(r), m_rate);
        }
        const qint64 total = m_writer->frames() * m_frameSamples - delay - padding;
        m_chapters->outputEndsAt(total, m_rate);
        chapters = m_chapters->written(m_rate);
    }
    m_writer->finish(delay, padding, chapters, [&](const QString &path) {
        m_outcome.tagsStored = stampTags(m_parts.information, job.tags, path, job.outputPath);
    });
}
