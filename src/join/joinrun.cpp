#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "audio/core/outputformats.h"
#include "audio/encode/outputrateconverter.h"
#include "audio/tags/audioinformation.h"
#include "audio/tags/coverfinder.h"
#include "inputs/partfolder.h"
#include "join/blockplan.h"
#include "join/blockshaping.h"
#include "join/booktagdefaults.h"
#include "join/copyjoinparts.h"
#include "join/directrowreader.h"
#include "join/flaccopyjoin.h"
#include "join/joinobserver.h"
#include "join/junctionmixer.h"
#include "join/loudnessmatch.h"
#include "join/loudnesspass.h"
#include "join/mp3copyjoin.h"
#include "join/readaheadrowreader.h"
#include "join/tagstamper.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

// Writing WAV costs next to nothing, so decoding is the whole join: two inputs
// decode at once. An encoder is slower than one decoder on its own.
int decodersFor(const QString &outputPath)
{
    const QLatin1StringView wav = outputFormatInfo(OutputFormat::Kind::Wav).extension;
    return outputPath.endsWith(wav, Qt::CaseInsensitive) ? 2 : 1;
}

std::unique_ptr<RowReader> rowReaderFor(const JoinJob &job, AudioFile &reader,
                                        const BlockShaping &shaping)
{
    if (!job.readAhead)
        return std::make_unique<DirectRowReader>(reader, job.inputs, shaping);
    // A decoder ahead keeps what its queue has no room for beside the output:
    // on the same disk, which has room for the output.
    return std::make_unique<ReadAheadRowReader>(job.inputs, shaping, decodersFor(job.outputPath),
                                                QFileInfo(job.outputPath).absolutePath());
}

// An input found shorter than when it was added to the list, compared as
// durations: a replacement may have another rate.
bool isShorter(const RowReader::Input &input, const AdmittedLength &admitted)
{
    if (admitted.sampleRate <= 0 || input.sampleRate <= 0)
        return false;
    return input.sampleCount * admitted.sampleRate < admitted.frames * input.sampleRate;
}

}  // namespace

QString JoinRun::endedEarly(const QString &input)
{
    return QStringLiteral("%1 ended early: it was cut short or changed while the join ran")
        .arg(input);
}

JoinRun::JoinRun(AudioFile &reader, AudioFile &writer, AudioInformation &information)
    : m_reader(reader), m_writer(writer), m_information(information)
{}

JoinRun::~JoinRun() = default;

int JoinRun::progressPercent(qint64 processed, qint64 total)
{
    if (total <= 0 || processed <= 0)
        return 0;
    if (processed >= total)
        return 100;
    // processed < total here, so processed * 100 cannot overflow for any real list.
    return static_cast<int>((processed * 100 + total / 2) / total);
}

bool JoinRun::isAnInput(const QString &outputPath, const QStringList &inputs)
{
    const QString output = QFileInfo(outputPath).canonicalFilePath();
    if (output.isEmpty())
        return false;  // no such file yet, so it cannot be one of the inputs
    return std::any_of(inputs.begin(), inputs.end(), [&](const QString &input) {
        return QFileInfo(input).canonicalFilePath() == output;
    });
}

std::optional<std::vector<float>> JoinRun::gainsFor(const JoinJob &job,
                                                    JoinObserver &observer) const
{
    std::vector<float> gains;
    if (!job.loudnessTarget)
        return gains;
    LoudnessPass pass(job.inputs, job.totalFrames, m_writer.outputChannels());
    if (!pass.run(observer))
        return std::nullopt;
    for (const Loudness &loudness : pass.results())
        gains.push_back(LoudnessMatch::gain(loudness, *job.loudnessTarget));
    return gains;
}

bool JoinRun::runCopyJoin(const JoinJob &job, const std::vector<float> &gains,
                          JoinObserver &observer)
{
    if (!job.copy)
        return false;
    const OutputFormat &format = m_writer.outputFormat();
    const CopyJoinParts parts{job,           format,   gains,
                              m_information, observer, m_cover ? &*m_cover : nullptr};
    std::optional<CopyJoinOutcome> outcome;
    if (format.kind == OutputFormat::Kind::Mp3)
        outcome = Mp3CopyJoin(parts).run();
    else if (format.kind == OutputFormat::Kind::Flac)
        outcome = FlacCopyJoin(parts).run();
    if (!outcome)
        return false;
    m_stopped = outcome->stopped;
    m_outputCreated = outcome->outputCreated;
    m_tagsStored = outcome->tagsStored;
    m_copiedRows = outcome->copiedRows;
    m_encodedRows = outcome->encodedRows;
    return true;
}

void JoinRun::run(const JoinJob &givenJob, JoinObserver &observer)
{
    JoinJob job = givenJob;
    fillBookTagsFromFirstInput(job.tags, job.inputs);
    m_stopped = false;
    m_outputCreated = false;
    m_tagsStored = false;
    m_copiedRows = 0;
    m_encodedRows = 0;
    // Before anything is measured or written: a list cut short would pass for whole.
    if (job.chapters && job.inputs.size() > m_writer.maxChapters())
        throw AudioError(QStringLiteral("%1: this format lists at most %2 chapters, and the "
                                        "join would make %3, one per file. Please join fewer "
                                        "files at once, or join without chapters.")
                             .arg(job.outputPath)
                             .arg(m_writer.maxChapters())
                             .arg(job.inputs.size()));
    // A chosen picture is checked again here, before anything is written: the
    // file may have changed since it was chosen.
    m_cover = CoverFinder::resolve(job.tags.cover, job.inputs,
                                   PartFolder::coverFolders(job.inputs.value(0)));
    if (m_cover && m_writer.outputFormat().kind == OutputFormat::Kind::Flac
        && !m_cover->fitsFlacBlock())
        throw AudioError(QStringLiteral("%1: the cover picture (%2 bytes) is too large for a FLAC "
                                        "file. Please choose a smaller one, or join without a "
                                        "cover.")
                             .arg(job.outputPath)
                             .arg(m_cover->data.size()));
    m_information.setCover(m_cover);
    std::optional<std::vector<float>> gains = gainsFor(job, observer);
    if (!gains) {
        m_stopped = true;
        return;
    }
    if (runCopyJoin(job, *gains, observer))
        return;
    const BlockShaping shaping(std::move(*gains));
    if (m_writer.isOpen())
        m_writer.closeFile();
    qint64 processed = 0;
    m_chapters.reset();
    if (job.chapters) {
        m_chapters.emplace(job.inputs, job.chapterNaming, m_writer.maxChapters());
        if (!job.admittedLengths.isEmpty())
            m_writer.setChapters(
                m_chapters->planned(job.admittedLengths, m_writer.outputSampleRate()));
    }
    m_writer.setCover(m_cover);
    m_writer.createFile(job.outputPath, 0);
    m_outputCreated = true;
    m_junctions.reset();
    if (job.pauseMilliseconds > 0 || job.crossfadeMilliseconds > 0) {
        const int rate = m_writer.outputSampleRate();
        m_junctions = std::make_unique<JunctionMixer>(
            [this](const SampleArray &frames) { m_writer.writeSamples(frames); },
            m_writer.outputChannels(), JunctionMixer::framesFor(job.pauseMilliseconds, rate),
            JunctionMixer::framesFor(job.crossfadeMilliseconds, rate));
    }
    {
        // Its decoders are stopped and waited for before any file is closed,
        // however the rows end.
        const std::unique_ptr<RowReader> rows = rowReaderFor(job, m_reader, shaping);
        for (int row = 0; row < job.inputs.size(); ++row) {
            if (!joinRow(*rows, job, row, observer, processed)) {
                m_stopped = true;
                break;
            }
        }
    }
    if (m_stopped && !job.keepStoppedOutput) {
        m_writer.abortFile();
        return;
    }
    if (m_writer.isOpen()) {
        if (m_junctions) {
            const qint64 length = m_junctions->finish();
            if (m_chapters)
                m_chapters->outputEndsAt(length, m_writer.outputSampleRate());
        }
        if (m_chapters)
            m_writer.setChapters(m_chapters->written(m_writer.outputSampleRate()));
        // Tagged before it takes the target's name: nothing reaches the name
        // until it is whole.
        m_writer.closeFile([&](const QString &path) {
            m_tagsStored = stampTags(m_information, job.tags, path, job.outputPath);
        });
    }
}

bool JoinRun::joinRow(RowReader &rows, const JoinJob &job, int row, JoinObserver &observer,
                      qint64 &processed)
{
    if (!observer.rowStarts(row))
        return false;
    if (m_reader.isOpen())
        m_reader.closeFile();
    const RowReader::Input input = rows.open(row);
    if (row < job.admittedLengths.size() && isShorter(input, job.admittedLengths.at(row)))
        throw AudioError(endedEarly(job.inputs.at(row)));
    const std::unique_ptr<OutputRateConverter> converter = junctionRowStarts(job, row, input);
    if (!converter) {
        m_writer.setInputFormat(input.sampleRate, input.channels);
        if (m_chapters)
            m_chapters->rowStarts(row, input.sampleRate);
    }

    BlockPlan plan(input.sampleRate, input.channels, input.sampleCount);
    while (plan.more()) {
        if (!observer.blockStarts()) {
            m_stopped = true;
            break;
        }
        const qint64 frames = joinBlock(rows, plan.nextSize(), converter.get(), input.blockAlign);
        if (frames == 0)
            break;
        plan.advance(frames);
        processed = std::min(processed + frames, job.totalFrames);
        observer.blockWritten(processed, job.totalFrames);
    }
    // Shorter than when it was counted: truncated or replaced meanwhile. What
    // is missing is never passed over in silence.
    if (!m_stopped && plan.more())
        throw AudioError(endedEarly(job.inputs.at(row)));
    if (converter) {
        converter->finish(m_converted);
        m_junctions->write(m_converted);
        m_junctions->rowEnds();
    }
    rows.close();
    ++m_encodedRows;
    observer.rowEnds(row);
    return true;
}

std::unique_ptr<OutputRateConverter> JoinRun::junctionRowStarts(const JoinJob &job, int row,
                                                                const RowReader::Input &input)
{
    if (!m_junctions)
        return nullptr;
    const int rate = m_writer.outputSampleRate();
    const int channels = m_writer.outputChannels();
    auto converter = std::make_unique<OutputRateConverter>(job.inputs.at(row), input.sampleRate,
                                                           input.channels, rate, channels);
    m_writer.setInputFormat(rate, channels);
    const qint64 start = m_junctions->rowStarts(converter->framesFor(input.sampleCount),
                                                row + 1 == job.inputs.size());
    if (m_chapters) {
        m_chapters->outputEndsAt(start, rate);
        m_chapters->rowStarts(row, rate);
    }
    return converter;
}

qint64 JoinRun::joinBlock(RowReader &rows, int frames, OutputRateConverter *converter,
                          int blockAlign)
{
    // Written piece by piece as they come: the writers and the junctions take
    // the frames the same however they are split, and no whole block is held.
    qint64 written = 0;
    while (written < frames) {
        SampleArray piece = rows.read(int(frames - written));
        const qint64 pieceFrames = qint64(piece.size()) / blockAlign;
        if (pieceFrames > 0)
            writePiece(piece, converter, blockAlign);
        rows.release(std::move(piece));
        if (pieceFrames == 0)
            break;
        written += pieceFrames;
    }
    return written;
}

void JoinRun::writePiece(const SampleArray &piece, OutputRateConverter *converter, int blockAlign)
{
    if (converter) {
        converter->convert(piece, m_converted);
        m_junctions->write(m_converted);
        return;
    }
    m_writer.writeSamples(piece);
    if (m_chapters)
        m_chapters->framesWritten(qint64(piece.size()) / blockAlign);
}
