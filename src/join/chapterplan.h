#pragma once

#include "audio/core/chapter.h"
#include "audio/decode/inputchapters.h"
#include "inputs/chaptertitle.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QtGlobal>

#include <limits>

// An input's length as the list admitted it: frames at the input's own rate.
struct AdmittedLength {
    qint64 frames = 0;
    int sampleRate = 0;
};

// How a join titles its chapters, and whether inputs keep chapters of their own.
struct ChapterNaming {
    // Per input, in list order, a title the user gave; an empty or missing
    // one leaves the input's title to the rule.
    QStringList titles;
    ChapterTitle::Rule rule = ChapterTitle::Rule::Tags;
    // An input holding chapters of its own gives those, with their titles,
    // instead of one chapter for the whole input.
    bool keepInputChapters = true;
};

// The chapters of a join: each input one, titled as the naming says, starting
// at its first frame in the output and ending where the next begins, the last
// where the output ends. An input with chapters of its own gives those instead,
// moved to where it starts: its first from its start, any at or past its end
// dropped. When those would make more chapters than maxChapters, every input
// gets one chapter, so that the format lists them all.
// Positions count at the output's rate. Each input's frames are kept at their
// own rate and the running time is converted as a whole, so that rounding
// never adds up over the inputs.
class ChapterPlan {
public:
    // Reads the inputs' titles and chapters.
    explicit ChapterPlan(const QStringList &inputs, const ChapterNaming &naming = {},
                         qsizetype maxChapters = std::numeric_limits<qsizetype>::max());

    // Before the output exists: the chapters as the admitted lengths place
    // them. Empty unless there is a length for every input.
    ChapterList planned(const QList<AdmittedLength> &lengths, int outputRate) const;

    // The join reaches row, whose frames come at sampleRate, at the present end
    // of the output.
    void rowStarts(int row, int sampleRate);
    // Frames of the row being joined were written.
    void framesWritten(qint64 frames);
    // The output now ends at frame, counted at outputRate: for a join that puts
    // pauses or crossfades between the rows and counts its frames itself.
    void outputEndsAt(qint64 frame, int outputRate);
    // The chapters of the rows reached so far, the last ending where the output ends.
    ChapterList written(int outputRate) const;

private:
    // Frames joined so far, summed per input rate.
    using RunningTime = QMap<int, qint64>;
    static qint64 outputFrames(const RunningTime &time, int outputRate);

    struct RowStart {
        int row = 0;
        int rate = 0;
        RunningTime time;
    };
    // Appends the row's chapters, which start at start, its frames counted at
    // rate, and end at end (output frames).
    void appendRow(ChapterList &chapters, int row, const RunningTime &start, int rate, qint64 end,
                   int outputRate) const;

    // Each row's chapters: the first starts at the row's start.
    QList<QList<InputChapter>> m_rows;
    QList<RowStart> m_starts;
    RunningTime m_time;
    int m_rowRate = 0;
};
