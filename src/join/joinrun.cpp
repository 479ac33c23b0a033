#include "join/joinrun.h"

#include "audio/audiofile.h"
#include "join/joinobserver.h"
#include "join/tagstamper.h"

#include <QFileInfo>

#include <algorithm>

namespace {
// Seconds of audio per channel in one block: 8 s for stereo, 4 s for mono.
constexpr int kBlockSeconds = 4;
}  // namespace

JoinRun::JoinRun(AudioFile &reader, AudioFile &writer, AudioInformation &information)
    : m_reader(reader), m_writer(writer), m_information(information)
{}

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

void JoinRun::run(const JoinJob &job, JoinObserver &observer)
{
    m_stopped = false;
    if (m_writer.IsOpen())
        m_writer.CloseFile();
    qint64 processed = 0;
    m_writer.CreateFile(job.outputPath, 0);
    for (int row = 0; row < job.inputs.size() && !m_stopped; ++row) {
        if (!joinRow(job, row, observer, processed))
            m_stopped = true;
    }
    if (m_stopped && !job.keepStoppedOutput) {
        m_writer.AbortFile();
        return;
    }
    if (m_writer.IsOpen())
        m_writer.CloseFile();
    StampTags(m_information, job.tags, job.outputPath);
}

bool JoinRun::joinRow(const JoinJob &job, int row, JoinObserver &observer, qint64 &processed)
{
    if (!observer.rowStarts(row))
        return false;
    if (m_reader.IsOpen())
        m_reader.CloseFile();
    m_reader.OpenFile(job.inputs.at(row), 0, 1);
    m_reader.Seek(0, 3);
    m_writer.SetInputFormat(m_reader.SampleRate(), m_reader.Channels());

    qint64 position = 0;
    qint64 blockSize = qint64(m_reader.Channels()) * m_reader.SampleRate() * kBlockSeconds;
    while (m_reader.SampleCount() > position) {
        if (!observer.blockStarts()) {
            m_stopped = true;
            break;
        }
        blockSize = std::min(blockSize, m_reader.SampleCount() - position);
        SampleArray block = m_reader.ReadSamples(static_cast<int>(blockSize));
        if (block.empty())
            break;
        m_writer.WriteSamples(block);
        const qint64 frames = qint64(block.size()) / m_reader.BlockAlign();
        m_reader.ReleaseSamples(std::move(block));
        position += frames;
        processed = std::min(processed + frames, job.totalFrames);
        position = std::min(position, m_reader.SampleCount());
        observer.blockWritten(processed, job.totalFrames);
        if (m_reader.SampleCount() == position)
            break;
    }
    if (m_reader.IsOpen())
        m_reader.CloseFile();
    observer.rowEnds(row);
    return true;
}
