#include "join/chapterplan.h"

#include <algorithm>
#include <cmath>

ChapterPlan::ChapterPlan(const QStringList &inputs, const ChapterNaming &naming,
                         qsizetype maxChapters)
{
    qsizetype count = 0;
    QList<QList<InputChapter>> own;
    for (const QString &input : inputs) {
        own.append(naming.keepInputChapters ? InputChapters::read(input) : QList<InputChapter>{});
        count += std::max<qsizetype>(own.last().size(), 1);
    }
    const bool keepOwn = count <= maxChapters;
    for (qsizetype row = 0; row < inputs.size(); ++row) {
        QList<InputChapter> parts = keepOwn ? own[row] : QList<InputChapter>{};
        if (parts.isEmpty())
            parts.append(InputChapter{});
        // The user's title names the row's first chapter, else the input's
        // own, else the rule; an untitled later one takes the first one's.
        InputChapter &first = parts.first();
        first.start = 0;
        const QString given = naming.titles.value(row);
        if (!given.isEmpty())
            first.title = given;
        if (first.title.isEmpty())
            first.title = ChapterTitle::byRule(inputs[row], naming.rule);
        for (InputChapter &part : parts) {
            if (part.title.isEmpty())
                part.title = first.title;
        }
        m_rows.append(parts);
    }
}

void ChapterPlan::appendRow(ChapterList &chapters, int row, const RunningTime &start, int rate,
                            qint64 end, int outputRate) const
{
    const qint64 first = outputFrames(start, outputRate);
    chapters.append({m_rows.value(row).value(0).title, first, end});
    qint64 previous = first;
    for (const InputChapter &part : m_rows.value(row).mid(1)) {
        RunningTime at = start;
        at[rate] += part.startFrame(rate);
        const qint64 frame = outputFrames(at, outputRate);
        if (frame <= previous || frame >= end)
            continue;
        chapters.last().endFrame = frame;
        chapters.append({part.title, frame, end});
        previous = frame;
    }
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
    if (lengths.size() != m_rows.size())
        return {};
    ChapterList chapters;
    RunningTime time;
    for (qsizetype row = 0; row < lengths.size(); ++row) {
        const AdmittedLength &length = lengths[row];
        if (length.sampleRate <= 0)
            return {};
        const RunningTime start = time;
        time[length.sampleRate] += length.frames;
        appendRow(chapters, int(row), start, length.sampleRate, outputFrames(time, outputRate),
                  outputRate);
    }
    return chapters;
}

void ChapterPlan::rowStarts(int row, int sampleRate)
{
    m_starts.append({row, sampleRate, m_time});
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
        appendRow(chapters, start.row, start.time, start.rate, outputFrames(end, outputRate),
                  outputRate);
    }
    return chapters;
}
