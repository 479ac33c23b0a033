#include "audio/encode/lamemp3writer.h"

#include "audio/core/audioerror.h"
#include "audio/core/averror.h"
#include "audio/encode/id3tagroom.h"

#include <lame/lame.h>

#include <algorithm>

namespace {

// What LAME asks of an output buffer: 1.25 bytes a sample and 7200 more.
constexpr std::size_t kBufferSlack = 7200;
constexpr std::size_t kBufferPerFourSamples = 5;
QString lameError(int result)
{
    return QStringLiteral("LAME error %1").arg(result);
}

}  // namespace

LameMp3Writer::LameMp3Writer(const LameEncoder &settings, const QString &path,
                             const QString &fileName, int extraTagRoom, const CoverPicture *cover)
    : m_fileName(fileName),
      m_lame(openLame(settings, LameFraming(), fileName)),
      m_file(path),
      m_tagRoom(extraTagRoom)
{
    configure(settings);
    // Unbuffered, so that put() learns why a write fails (see there).
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail("open", m_file.errorString());
    writeTagRoom(cover);
}

LameMp3Writer::~LameMp3Writer() = default;

void LameMp3Writer::configure(const LameEncoder &settings)
{
    lame_t lame = m_lame.get();
    m_sampleRate = lame_get_out_samplerate(lame);
    m_channels = lame_get_num_channels(lame);
    m_frameSize = lame_get_framesize(lame);
    m_buffer.resize(static_cast<std::size_t>(m_frameSize) * kBufferPerFourSamples / 4
                    + kBufferSlack);
    // VBR headers always fit: LAME puts them in a frame of its own bit rate.
    if (settings.constantBitrate()) {
        const Mp3InfoFrame infoFrame(lame_get_version(lame), m_sampleRate, m_channels);
        m_stream.bitrate = lame_get_brate(lame);
        if (!infoFrame.fitsAt(m_stream.bitrate))
            m_infoFrame = infoFrame;
    }
}

void LameMp3Writer::writeTagRoom(const CoverPicture *cover)
{
    const QByteArray tag = id3TagRoom(m_tagRoom, cover);
    put(tag.constData(), tag.size());
    m_audioStart = tag.size();
    // Held until the audio is complete; LAME holds its own in its first bytes.
    if (m_infoFrame)
        put(QByteArray(m_infoFrame->size(), '\0').constData(), m_infoFrame->size());
}

void LameMp3Writer::encode(const float *left, const float *right, int frames)
{
    const std::size_t needed =
        static_cast<std::size_t>(frames) * kBufferPerFourSamples / 4 + kBufferSlack;
    if (m_buffer.size() < needed)
        m_buffer.resize(needed);
    const int bytes = lame_encode_buffer_ieee_float(m_lame.get(), left, right, frames,
                                                    m_buffer.data(), int(m_buffer.size()));
    if (bytes < 0)
        throw AudioError::encoding(m_fileName, "lame_encode_buffer_ieee_float", lameError(bytes));
    writeAudio(bytes);
}

void LameMp3Writer::writeAudio(int bytes)
{
    if (bytes <= 0)
        return;
    if (m_infoFrame) {
        if (m_stream.audioBytes == 0)
            std::copy_n(m_buffer.begin(), m_stream.firstHeader.size(),
                        m_stream.firstHeader.begin());
        m_stream.audioBytes += bytes;
        m_stream.audioCrc =
            Mp3InfoFrame::crc(m_stream.audioCrc, m_buffer.data(), static_cast<std::size_t>(bytes));
    }
    put(reinterpret_cast<const char *>(m_buffer.data()), bytes);
}

void LameMp3Writer::finish()
{
    const int bytes = lame_encode_flush(m_lame.get(), m_buffer.data(), int(m_buffer.size()));
    if (bytes < 0)
        throw AudioError::encoding(m_fileName, "lame_encode_flush", lameError(bytes));
    writeAudio(bytes);
    writeHeaderFrame();
    // Closing flushes the last buffered bytes: a full disk shows up here.
    if (!m_file.flush())
        failWriting("write");
    m_file.close();
}

void LameMp3Writer::writeHeaderFrame()
{
    lame_t lame = m_lame.get();
    QByteArray frame;
    if (m_infoFrame) {
        m_stream.frames = lame_get_frameNum(lame);
        m_stream.delay = lame_get_encoder_delay(lame);
        m_stream.padding = lame_get_encoder_padding(lame);
        frame = m_infoFrame->render(m_stream);
    } else {
        frame.resize(qsizetype(lame_get_lametag_frame(lame, nullptr, 0)));
        const std::size_t size = lame_get_lametag_frame(
            lame, reinterpret_cast<unsigned char *>(frame.data()), std::size_t(frame.size()));
        if (size == 0 || size != std::size_t(frame.size()))
            fail("lame_get_lametag_frame", QStringLiteral("LAME made no header frame"));
    }
    // Over the frame held for it at the start of the audio.
    if (!m_file.seek(m_audioStart))
        failWriting("seek");
    put(frame.constData(), frame.size());
}

void LameMp3Writer::put(const char *data, qint64 size)
{
    // A full disk first takes part of the bytes and gives no cause; writing
    // the rest then fails with it ("No space left on device").
    while (size > 0) {
        const qint64 written = m_file.write(data, size);
        if (written <= 0)
            failWriting("write");
        data += written;
        size -= written;
    }
}

void LameMp3Writer::fail(const char *call, const QString &cause) const
{
    throw AudioError(
        QStringLiteral("%1: %2 failed: %3").arg(m_fileName, QString::fromLatin1(call), cause));
}

void LameMp3Writer::failWriting(const char *call) const
{
    throw AudioError::writingAudio(m_fileName, call, m_file.errorString());
}
