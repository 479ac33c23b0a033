#pragma once

#include "audio/core/avdeleters.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// One input file opened for demuxing and decoding its audio stream. The
// container is found from the file's content. Corrupt data never makes it
// loop: every step consumes input, and stalls or runs of errors end the stream.
class InputStream {
public:
    // Throws AudioError naming the file when it is no readable audio file.
    explicit InputStream(const QString &fileName);
    ~InputStream();
    InputStream(const InputStream &) = delete;
    InputStream &operator=(const InputStream &) = delete;

    // Turns libav's own logging off, once for the whole program.
    static void silenceLibav();

    const QString &fileName() const { return m_fileName; }
    int sampleRate() const;
    int channels() const;
    AVCodecID codecId() const;
    const char *containerName() const;
    qint64 fileSize() const { return m_fileSize; }
    // Bytes per frame for constant-size codecs (PCM), else 0.
    int bytesPerFrame() const;
    // The length the container header states, in frames; -1 when it states none.
    qint64 headerFrameCount() const;
    // The codec's own header data (extradata), as the container gives it.
    const AVCodecParameters *codecParameters() const;

    // Demuxing only: the next packet of the audio stream, null at the end.
    // Valid until the next call.
    const AVPacket *nextPacket();
    // The frames a packet decodes to, from its duration less the samples the
    // decoder will skip (may be negative); nothing when the packet does not say.
    std::optional<qint64> packetFrameCount(const AVPacket *packet) const;

    // Nothing has been read yet: the next packet or frame is the first.
    bool atStart() const { return !m_readStarted; }

    // Decoding: the next decoded frame, null at the end. Valid until the next call.
    const AVFrame *nextFrame();

private:
    static QString refusal(const char *contentName);
    void openFile();
    const AVInputFormat *probeContainer();
    void openContainer();
    void openDecoder();
    bool readPacket();
    bool feedDecoder();
    AVStream *stream() const;

    QString m_fileName;
    qint64 m_fileSize = 0;
    // Declared before the container, which reads through it, so it is released after.
    AvioContextPtr m_io;
    InputFormatContextPtr m_container;
    CodecContextPtr m_decoder;
    PacketPtr m_packet;
    FramePtr m_frame;
    int m_streamIndex = -1;
    bool m_readStarted = false;
    bool m_inputEnded = false;
    bool m_flushSent = false;
    bool m_decoderEnded = false;
    int m_errorsSincePacket = 0;
};
