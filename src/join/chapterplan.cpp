#include "join/chapterplan.h"

#include "audio/tags/tagreader.h"
#include "inputs/chaptertitle.h"

#include <cmath>

namespace {

QString titleOf(const QString &path)
{
    QString tagged = TagReader::title(path);
    return tagged.isEmpty() ? ChapterTitle::fromFileName(path) : tagged;
}

}  // namespace

ChapterPlan::ChapterPlan(const QStringList &inputs)
{
    for (const QString &input : inputs)
        m_titles << titleOf(input);
}

qint64 ChapterPlan::outputFrames(const RunningTime &time, int outputRate)
{
    // The whole frames of each rate's share exactly, their fractions summed
    // before the one rounding (half up).
    qint64 whole = 0;
    double fraction = 0;
    for (auto share = time.begin(); share != time.end(); ++share) {
        const qint64 rate = share.key();
        const qint64 frames = share.value();
        const qint64 rest = frames % rate * outputRate;
        whole += frames / rate * outputRate + rest / rate;
        fraction += double(rest % rate) / double(rate);
    }
    return whole + static_cast<qint64>(std::floor(fraction + 0.5));
}

ChapterList ChapterPlan::planned(const QList<AdmittedLength> &lengths, int outputRate) const
{
    if (lengths.size() != m_titles.size())
        return {};
    ChapterList chapters;
    RunningTime time;
    qint64 start = 0;
    for (qsizetype row = 0; row < lengths.size(); ++row) {
        const AdmittedLength &length = lengths[row];
        if (length.sampleRate <= 0)
            return {};
        time[length.sampleRate] += length.frames;
        const qint64 end = outputFrames(time, outputRate);
        chapters.append({m_titles[row], start, end});
        start = end;
    }
    return chapters;
}

void ChapterPlan::rowStarts(int row, int sampleRate)
{
    m_starts.append({row, m_time});
    m_rowRate = sampleRate;
}

void ChapterPlan::framesWritten(qint64 frames)
{
    if (m_rowRate > 0)
        m_time[m_rowRate] += frames;
}

void ChapterPlan::outputEndsAt(qint64 frame, int outputRate)
{
    m_time = {{outputRate, frame}};
}

ChapterList ChapterPlan::written(int outputRate) const
{
    ChapterList chapters;
    for (qsizetype index = 0; index < m_starts.size(); ++index) {
        const RowStart &start = m_starts[index];
        const RunningTime &end = index + 1 < m_starts.size() ? m_starts[index + 1].time : m_time;
        chapters.append({m_titles.value(start.row), outputFrames(start.time, outputRate),
                         outputFrames(end, outputRate)});
    }
    return chapters;
}
