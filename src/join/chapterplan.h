#pragma once

#include "audio/core/chapter.h"

#include <QList>
#include <QMap>
#include <QStringList>
#include <QtGlobal>

// An input's length as the list admitted it: frames at the input's own rate.
struct AdmittedLength {
    qint64 frames = 0;
    int sampleRate = 0;
};

// The chapters of a join: each input one, titled by its own title tag, else by
// its file name (ChapterTitle), starting at its first frame in the
// output and ending where the next begins, the last where the output ends.
// Positions count at the output's rate. Each input's frames are kept at their
// own rate and the running time is converted as a whole, so that rounding
// never adds up over the inputs.
class ChapterPlan {
public:
    // Reads the inputs' titles.
    explicit ChapterPlan(const QStringList &inputs);

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
        RunningTime time;
    };

    QStringList m_titles;
    QList<RowStart> m_starts;
    RunningTime m_time;
    int m_rowRate = 0;
};
