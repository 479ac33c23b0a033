#include "audio/copy/lamewindowencoder.h"

#include "audio/core/audioerror.h"
#include "audio/core/mp3frameheader.h"

#include <lame/lame.h>

#include <algorithm>

namespace {

constexpr int kBufferSlack = 7200;

}  // namespace

LameWindowEncoder::LameWindowEncoder(const LameEncoder &settings, const QString &fileName)
    : m_fileName(fileName),
      m_lame(openLame(settings, {.headerFrame = false, .reservoir = false}, fileName)),
      m_channels(settings.channels())
{}

int LameWindowEncoder::delay() const
{
    return lame_get_encoder_delay(m_lame.get()) + Mp3FrameHeader::kDecoderDelay;
}

int LameWindowEncoder::frameSamples() const
{
    return lame_get_framesize(m_lame.get());
}

void LameWindowEncoder::encode(const float *samples, int frames)
{
    const int needed = frames * 5 / 4 + kBufferSlack;
    if (m_buffer.size() < needed)
        m_buffer.resize(needed);
    const int bytes =
        m_channels == 1
            ? lame_encode_buffer_ieee_float(m_lame.get(), samples, nullptr, frames,
                                            reinterpret_cast<unsigned char *>(m_buffer.data()),
                                            int(m_buffer.size()))
            : lame_encode_buffer_interleaved_ieee_float(
                m_lame.get(), samples, frames, reinterpret_cast<unsigned char *>(m_buffer.data()),
                int(m_buffer.size()));
    if (bytes < 0)
        throw AudioError::encoding(m_fileName, "lame_encode_buffer_interleaved_ieee_float",
                                   QStringLiteral("LAME error %1").arg(bytes));
    take(bytes);
}

void LameWindowEncoder::flush()
{
    if (m_buffer.size() < kBufferSlack)
        m_buffer.resize(kBufferSlack);
    const int bytes = lame_encode_flush(
        m_lame.get(), reinterpret_cast<unsigned char *>(m_buffer.data()), int(m_buffer.size()));
    if (bytes < 0)
        throw AudioError::encoding(m_fileName, "lame_encode_flush",
                                   QStringLiteral("LAME error %1").arg(bytes));
    take(bytes);
    if (!m_pending.isEmpty())
        throw AudioError::encoding(m_fileName, "lame_encode_flush",
                                   QStringLiteral("LAME left part of a frame"));
}

void LameWindowEncoder::take(int bytes)
{
    m_pending.append(m_buffer.constData(), bytes);
    qsizetype at = 0;
    while (m_pending.size() - at >= 4) {
        const auto *data = reinterpret_cast<const quint8 *>(m_pending.constData() + at);
        const auto header = Mp3FrameHeader::parse(data);
        if (!header)
            throw AudioError::encoding(m_fileName, "lame_encode_buffer",
                                       QStringLiteral("LAME made no frame header"));
        if (m_pending.size() - at < header->frameBytes())
            break;
        m_frames.emplace_back(m_pending.mid(at, header->frameBytes()));
        at += header->frameBytes();
    }
    m_pending.remove(0, at);
}
