#include "join/flaccopyjoin.h"

#include "audio/copy/flacframedecoder.h"
#include "audio/copy/flacframereader.h"
#include "audio/copy/flacstreamwriter.h"
#include "audio/core/audioerror.h"
#include "audio/core/outputformat.h"
#include "audio/encode/audioencoder.h"
#include "audio/tags/chapterwriter.h"
#include "join/chapterplan.h"
#include "join/decodedinput.h"
#include "join/joinobserver.h"
#include "join/joinrun.h"
#include "join/junctionmixer.h"
#include "join/tagstamper.h"

#include <QMap>

#include <algorithm>
#include <tuple>

namespace {

// Frames between two questions to the observer, as the other joins ask.
constexpr qint64 kBlockFrames = 65536;

}  // namespace

FlacCopyJoin::FlacCopyJoin(const CopyJoinParts &parts) : m_parts(parts) {}

FlacCopyJoin::~FlacCopyJoin() = default;

std::optional<std::vector<bool>> FlacCopyJoin::plan()
{
    const JoinJob &job = m_parts.job;
    std::vector<std::optional<FlacFrameReader::Facts>> facts;
    // Seconds of audio per format, and the first row of each, for the ties.
    QMap<std::tuple<int, int, int>, std::pair<double, int>> lengths;
    for (int row = 0; row < job.inputs.size(); ++row) {
        auto found = FlacFrameReader::probe(job.inputs.at(row));
        const bool gained = row < qsizetype(m_parts.gains.size()) && m_parts.gains[row] != 1.0F;
        if (found
            && (!found->whole || gained
                || !AudioEncoder::flacFormatSupported(
                    found->format.sampleRate, found->format.channels, found->format.bitsPerSample,
                    m_parts.format.compressionLevel)))
            found.reset();
        facts.push_back(found);
        if (!found)
            continue;
        const auto key = std::make_tuple(found->format.sampleRate, found->format.channels,
                                         found->format.bitsPerSample);
        auto &entry = lengths[key];
        if (entry.first == 0)
            entry.second = row;
        entry.first += double(found->samples) / found->format.sampleRate;
    }
    if (lengths.isEmpty())
        return std::nullopt;
    auto best = lengths.cbegin();
    for (auto entry = lengths.cbegin(); entry != lengths.cend(); ++entry)
        if (entry->first > best->first
            || (entry->first == best->first && entry->second < best->second))
            best = entry;
    const FlacStreamFormat group{std::get<0>(best.key()), std::get<1>(best.key()),
                                 std::get<2>(best.key())};
    std::vector<bool> copied;
    copied.reserve(facts.size());
    for (const auto &found : facts)
        copied.push_back(found && found->format == group);
    m_writer =
        std::make_unique<FlacStreamWriter>(job.outputPath, group, m_parts.format.compressionLevel);
    return copied;
}

std::optional<CopyJoinOutcome> FlacCopyJoin::run()
{
    const JoinJob &job = m_parts.job;
    const std::optional<std::vector<bool>> copied = plan();
    if (!copied)
        return std::nullopt;
    CopyJoinOutcome outcome;
    outcome.outputCreated = true;
    const FlacStreamFormat &format = m_writer->format();
    const int rate = format.sampleRate;
    if (job.chapters)
        m_chapters = std::make_unique<ChapterPlan>(
            job.inputs, job.chapterNaming, ChapterWriter::maxChapters(OutputFormat::Kind::Flac));
    // Everything not copied goes through the junctions, as in any join; the
    // copied frames pass them by where they neither mix nor wait.
    m_junctions = std::make_unique<JunctionMixer>(
        [this](const SampleArray &frames) { m_writer->write(frames); }, format.channels,
        JunctionMixer::framesFor(job.pauseMilliseconds, rate),
        JunctionMixer::framesFor(job.crossfadeMilliseconds, rate));
    m_decoder = std::make_unique<FlacFrameDecoder>(format);
    JoinObserver &observer = m_parts.observer;
    for (int row = 0; row < job.inputs.size() && !m_stopped; ++row) {
        if (!observer.rowStarts(row)) {
            m_stopped = true;
            break;
        }
        if ((*copied)[std::size_t(row)]) {
            observer.rowCopying(row);
            copyRow(row);
            ++outcome.copiedRows;
        } else {
            encodeRow(row);
            ++outcome.encodedRows;
        }
        m_junctions->rowEnds();
        observer.rowEnds(row);
    }
    outcome.stopped = m_stopped;
    if (m_stopped && !job.keepStoppedOutput) {
        m_writer.reset();
        return outcome;
    }
    const qint64 total = m_junctions->finish();
    m_writer->finish();
    const QString &path = m_writer->temporaryPath();
    if (m_chapters) {
        m_chapters->outputEndsAt(total, rate);
        ChapterWriter(path, job.outputPath, OutputFormat::Kind::Flac, rate)
            .write(m_chapters->written(rate), total);
    }
    // Tagged before it takes the target's name: nothing reaches the name until it is whole.
    outcome.tagsStored = stampTags(m_parts.information, job.tags, path, job.outputPath);
    m_writer->commit();
    return outcome;
}

void FlacCopyJoin::rowStarts(int row, qint64 frames)
{
    const int rate = m_writer->format().sampleRate;
    const qint64 start = m_junctions->rowStarts(frames, row + 1 == m_parts.job.inputs.size());
    if (m_chapters) {
        m_chapters->outputEndsAt(start, rate);
        m_chapters->rowStarts(row, rate);
    }
}

bool FlacCopyJoin::blockStarts()
{
    if (!m_parts.observer.blockStarts())
        m_stopped = true;
    return !m_stopped;
}

void FlacCopyJoin::blockWritten(qint64 frames)
{
    const qint64 total = m_parts.job.totalFrames;
    m_processed = std::min(m_processed + frames, total);
    m_parts.observer.blockWritten(m_processed, total);
}

void FlacCopyJoin::copyRow(int row)
{
    const QString &input = m_parts.job.inputs.at(row);
    FlacFrameReader reader(input);
    const FlacStreamFormat &format = m_writer->format();
    // Not as planned: replaced by another file meanwhile.
    if (!(reader.format() == format) || reader.statedSamples() == 0)
        throw AudioError(JoinRun::endedEarly(input));
    rowStarts(row, reader.statedSamples());
    const float scale = 1.0F / float(qint64(1) << (format.bitsPerSample - 1));
    std::vector<qint32> decoded;
    SampleArray frames;
    qint64 done = 0;
    bool more = true;
    while (more) {
        if (!blockStarts())
            return;
        const qint64 from = done;
        while (done - from < kBlockFrames) {
            const std::optional<FlacFrame> frame = reader.next();
            if (!frame) {
                more = false;
                break;
            }
            const qint64 block = frame->header.blockFrames();
            if (done >= m_junctions->plainStart() && done + block <= m_junctions->plainEnd()) {
                m_junctions->skip(block);
                m_writer->copyFrame(*frame, input, done);
            } else {
                // Mixed into a crossfade or held for the next input's.
                decoded.clear();
                m_decoder->decode(frame->data, frame->size, input, done, decoded);
                frames.resize(decoded.size());
                std::transform(decoded.cbegin(), decoded.cend(), frames.begin(),
                               [scale](qint32 sample) { return float(sample) * scale; });
                m_junctions->write(frames);
            }
            done += block;
        }
        blockWritten(done - from);
    }
}

void FlacCopyJoin::encodeRow(int row)
{
    const QString &input = m_parts.job.inputs.at(row);
    const float gain = row < qsizetype(m_parts.gains.size()) ? m_parts.gains[row] : 1.0F;
    const FlacStreamFormat &format = m_writer->format();
    DecodedInput decoded(input, gain, format.sampleRate, format.channels);
    rowStarts(row, decoded.frames());
    SampleArray block;
    for (;;) {
        if (!blockStarts())
            return;
        const qint64 read = decoded.read(block);
        m_junctions->write(block);
        if (read == 0)
            return;
        blockWritten(read);
    }
}
