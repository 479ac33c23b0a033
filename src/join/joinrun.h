#pragma once

#include "audio/tags/coverpicture.h"
#include "audio/tags/tagvalues.h"
#include "join/chapterplan.h"
#include "join/rowreader.h"
#include "settings/valuelists.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

class AudioFile;
class AudioInformation;
class BlockShaping;
class JoinObserver;
class JunctionMixer;
class OutputRateConverter;

// What one join writes: the inputs in order, into one output, with its tags.
struct JoinJob {
    QStringList inputs;
    // The 100 % of the progress: the inputs' lengths in frames, as admitted.
    qint64 totalFrames = 0;
    // Each input's length as admitted, in list order: where the chapters are
    // planned before the output exists (an MP3 keeps room for them).
    QList<AdmittedLength> admittedLengths;
    // Each input becomes a chapter of the output (see ChapterPlan); a stopped
    // join's output has the chapters of the rows it reached.
    bool chapters = ValueLists::kDefaultChapters;
    // The chapters' titles, and whether inputs keep chapters of their own.
    ChapterNaming chapterNaming;
    QString outputPath;
    TagValues tags;
    // A join stopped part-way: the window keeps what it wrote, completed and
    // tagged; the command line drops it, so that nothing new is left and an
    // existing file of the output's name stays as it was.
    bool keepStoppedOutput = true;
    // Decoding runs on threads of its own, ahead of the encoder; false decodes
    // each block in turn on the calling thread with the reader. Both write the
    // same output.
    bool readAhead = true;
    // Set: the inputs are measured first (LoudnessPass), and each is written
    // with the one gain that brings it to this integrated loudness, in LUFS,
    // as far as its true peak allows (LoudnessMatch).
    std::optional<double> loudnessTarget;
    // Between each two inputs: this many milliseconds of silence, or the end of
    // one crossfading into the start of the next over this many (JunctionMixer).
    // A crossfade leaves no pause when both are set.
    int pauseMilliseconds = 0;
    int crossfadeMilliseconds = 0;
    // MP3 and FLAC outputs: the inputs' frames are copied where they can be
    // (Mp3CopyJoin, FlacCopyJoin), and only the rest is encoded.
    bool copy = ValueLists::kDefaultCopy;
};

// The join itself, without widgets: every input, in order, decoded and written
// block by block into one output file, which is then completed and tagged. The
// observer is told each row's start and end and each block, and asked before
// each row and block whether to go on, always on the calling thread;
// stopped() then says whether it said no; a join stopped while its inputs were
// measured has not created its output. Failures throw AudioError, leaving
// the files as they are for the caller's error handling to close; a failure of
// the decoding thread is thrown where the block or row it concerns would have
// been read.
class JoinRun {
public:
    // The writer has been given its output format; tags are written with
    // information. The reader decodes the inputs unless the job reads ahead,
    // whose decoders have readers of their own.
    JoinRun(AudioFile &reader, AudioFile &writer, AudioInformation &information);
    ~JoinRun();
    JoinRun(const JoinRun &) = delete;
    JoinRun &operator=(const JoinRun &) = delete;

    void run(const JoinJob &job, JoinObserver &observer);
    // Whether the last run ended because the observer said not to go on.
    bool stopped() const { return m_stopped; }
    // Whether the last run got as far as creating its output.
    bool outputCreated() const { return m_outputCreated; }
    // Whether the last run's output holds its tags: not a WAV without audio.
    bool tagsStored() const { return m_tagsStored; }
    // The rows of the last run whose frames were copied, and those encoded.
    int copiedRows() const { return m_copiedRows; }
    int encodedRows() const { return m_encodedRows; }

    // The bar's percentage for a share of the list, rounded half up; safe for
    // lists of any length and never above 100.
    static int progressPercent(qint64 processed, qint64 total);
    // Whether outputPath names one of the inputs, through any path or link:
    // writing over an input would destroy it while it is being read.
    static bool isAnInput(const QString &outputPath, const QStringList &inputs);
    // The failure of an input found shorter than when the join was planned.
    static QString endedEarly(const QString &input);

private:
    // Writes one row; false when the join ended before the row began.
    bool joinRow(RowReader &rows, const JoinJob &job, int row, JoinObserver &observer,
                 qint64 &processed);
    // With pauses or crossfades, the row's frames go through the junctions at
    // the output's rate: the converter the row will need.
    std::unique_ptr<OutputRateConverter> junctionRowStarts(const JoinJob &job, int row,
                                                           const RowReader::Input &input);
    // Writes one block of the plan, frames frames, as the reader hands it
    // over: the frames written, fewer when the input ended, none at its end.
    qint64 joinBlock(RowReader &rows, int frames, OutputRateConverter *converter, int blockAlign);
    void writePiece(const SampleArray &piece, OutputRateConverter *converter, int blockAlign);
    // The loudness gain of each row, empty without matching; none when the
    // observer stopped the measuring.
    std::optional<std::vector<float>> gainsFor(const JoinJob &job, JoinObserver &observer) const;
    // A join that copies frames, when the job asks for one and its output and
    // inputs allow it: whether it ran.
    bool runCopyJoin(const JoinJob &job, const std::vector<float> &gains, JoinObserver &observer);

    AudioFile &m_reader;
    AudioFile &m_writer;
    AudioInformation &m_information;
    // The run's chapters, when it writes any.
    std::optional<ChapterPlan> m_chapters;
    // The run's cover, when it has one.
    std::optional<CoverPicture> m_cover;
    // The run's pauses or crossfades, when it has any.
    std::unique_ptr<JunctionMixer> m_junctions;
    SampleArray m_converted;
    bool m_stopped = false;
    bool m_outputCreated = false;
    bool m_tagsStored = false;
    int m_copiedRows = 0;
    int m_encodedRows = 0;
};
