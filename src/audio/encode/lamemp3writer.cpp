#include "audio/encode/lamemp3writer.h"

#include "audio/core/audioerror.h"
#include "audio/core/averror.h"
#include "audio/encode/id3tagroom.h"

#include <lame/lame.h>

#include <algorithm>

namespace {

constexpr int kQualityMax = 9;     // LAME's algorithm quality, 0 best
constexpr int kVbrQualityMax = 9;  // LAME's VBR scale, 0 best
// What LAME asks of an output buffer: 1.25 bytes a sample and 7200 more.
constexpr std::size_t kBufferSlack = 7200;
constexpr std::size_t kBufferPerFourSamples = 5;
QString lameError(int result)
{
    return QStringLiteral("LAME error %1").arg(result);
}

}  // namespace

void LameDeleter::operator()(lame_global_struct *lame) const
{
    lame_close(lame);
}

LameMp3Writer::LameMp3Writer(const LameEncoder &settings, const QString &path,
                             const QString &fileName, int extraTagRoom)
    : m_fileName(fileName), m_lame(lame_init()), m_file(path), m_tagRoom(extraTagRoom)
{
    checkAllocated(m_lame.get(), "lame_init", m_fileName);
    configure(settings);
    // Unbuffered, so that put() learns why a write fails (see there).
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        fail("open", m_file.errorString());
    writeTagRoom();
}

LameMp3Writer::~LameMp3Writer() = default;

void LameMp3Writer::configure(const LameEncoder &settings)
{
    lame_t lame = m_lame.get();
    const QString refused = QStringLiteral("LAME refuses %1 Hz with %2 channels")
                                .arg(settings.sampleRate())
                                .arg(settings.channels());
    const auto set = [&](int result, const char *call) {
        if (result < 0)
            fail(call, refused);
    };
    // The rate out is the rate in: left alone, LAME lowers it for low bit rates.
    set(lame_set_in_samplerate(lame, settings.sampleRate()), "lame_set_in_samplerate");
    set(lame_set_out_samplerate(lame, settings.sampleRate()), "lame_set_out_samplerate");
    set(lame_set_num_channels(lame, settings.channels()), "lame_set_num_channels");
    set(lame_set_mode(lame, settings.channels() == 1 ? MONO : JOINT_STEREO), "lame_set_mode");
    set(lame_set_quality(lame, std::clamp(settings.quality(), 0, kQualityMax)), "lame_set_quality");
    if (settings.constantBitrate()) {
        set(lame_set_brate(lame, settings.bitrate()), "lame_set_brate");
    } else {
        set(lame_set_VBR(lame, vbr_default), "lame_set_VBR");
        const int vbrQuality = std::clamp(settings.vbrQuality(), 0, kVbrQualityMax);
        set(lame_set_VBR_quality(lame, static_cast<float>(vbrQuality)), "lame_set_VBR_quality");
        set(lame_set_VBR_max_bitrate_kbps(lame, settings.vbrBitrate()),
            "lame_set_VBR_max_bitrate_kbps");
    }
    // LAME keeps the first frame for its Xing/LAME header; the tags are ours.
    set(lame_set_bWriteVbrTag(lame, 1), "lame_set_bWriteVbrTag");
    lame_set_write_id3tag_automatic(lame, 0);
    set(lame_init_params(lame), "lame_init_params");

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

void LameMp3Writer::writeTagRoom()
{
    const QByteArray tag = id3TagRoom(m_tagRoom);
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
