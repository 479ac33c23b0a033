#include "audio/copy/mp3copywriter.h"

#include "audio/core/audioerror.h"
#include "audio/encode/id3tagroom.h"
#include "audio/tags/chapterwriter.h"

#include <algorithm>

namespace {

constexpr qint64 kBufferBytes = 1 << 20;
constexpr int kTocScale = 256;

}  // namespace

Mp3CopyWriter::Mp3CopyWriter(const QString &target, const Mp3FrameHeader &format, int extraTagRoom,
                             const CoverPicture *cover)
    : m_output(target),
      m_target(m_output.targetPath()),
      m_file(m_output.temporaryPath()),
      m_format(format),
      m_infoFrame(format.lameVersion(), format.sampleRate(), format.channels())
{
    // ReadWrite: the unnamed file is opened again, not truncated.
    if (!m_file.open(QIODevice::ReadWrite))
        throw AudioError::writingAudio(m_target, "open", m_file.errorString());
    const QByteArray tag = id3TagRoom(extraTagRoom, cover);
    put(tag.constData(), tag.size());
    m_infoFrameAt = tag.size();
    // Held until the stream is complete.
    const QByteArray room(m_infoFrame.size(), '\0');
    put(room.constData(), room.size());
}

void Mp3CopyWriter::writeFrame(const quint8 *frame, int bytes)
{
    if (m_offsets.empty()) {
        std::copy_n(frame, m_stream.firstHeader.size(), m_stream.firstHeader.begin());
        m_firstBitrate = frame[2] >> 4;
    } else if (frame[2] >> 4 != m_firstBitrate) {
        m_variable = true;
    }
    m_offsets.push_back(m_infoFrame.size() + m_stream.audioBytes);
    m_stream.audioBytes += bytes;
    m_stream.audioCrc = Mp3InfoFrame::crc(m_stream.audioCrc, frame, std::size_t(bytes));
    put(reinterpret_cast<const char *>(frame), bytes);
}

void Mp3CopyWriter::put(const char *data, qint64 size)
{
    m_buffer.append(data, size);
    if (m_buffer.size() >= kBufferBytes)
        flushBuffer();
}

void Mp3CopyWriter::flushBuffer()
{
    if (m_file.write(m_buffer) != m_buffer.size() || !m_file.flush())
        throw AudioError::writingAudio(m_target, "write", m_file.errorString());
    m_buffer.clear();
}

QByteArray Mp3CopyWriter::tableOfContents(qint64 streamBytes) const
{
    QByteArray toc(Mp3InfoFrame::kTocEntries, '\0');
    const auto count = qint64(m_offsets.size());
    for (int entry = 0; entry < Mp3InfoFrame::kTocEntries && count > 0; ++entry) {
        const qint64 offset = m_offsets[std::size_t(count * entry / Mp3InfoFrame::kTocEntries)];
        toc[entry] = char(std::min<qint64>(offset * kTocScale / streamBytes, kTocScale - 1));
    }
    return toc;
}

void Mp3CopyWriter::finish(int delay, int padding, const ChapterList &chapters,
                           const std::function<void(const QString &path)> &lastStep)
{
    flushBuffer();
    m_stream.frames = frames();
    m_stream.bitrate = m_format.bitrate();
    m_stream.delay = std::clamp(delay, 0, Mp3InfoFrame::kTrimMax);
    m_stream.padding = std::clamp(padding, 0, Mp3InfoFrame::kTrimMax);
    if (m_variable)
        m_stream.toc = tableOfContents(m_infoFrame.size() + m_stream.audioBytes);
    const QByteArray frame = m_infoFrame.render(m_stream);
    if (!m_file.seek(m_infoFrameAt) || m_file.write(frame) != frame.size() || !m_file.flush())
        throw AudioError::writingAudio(m_target, "write", m_file.errorString());
    m_file.close();
    const qint64 samples = frames() * m_format.samples() - m_stream.delay - m_stream.padding;
    ChapterWriter(m_output.temporaryPath(), m_target, OutputFormat::Kind::Mp3,
                  m_format.sampleRate())
        .write(chapters, samples);
    if (lastStep)
        lastStep(m_output.temporaryPath());
    m_output.commit();
}
