#pragma once

#include "audio/copy/flacframereader.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct AVFrame;

// Decodes single FLAC frames of one stream format to their exact integers,
// strictly: a frame that does not decode or that holds another format throws
// AudioError naming its input. Their CRCs are the reader's to check.
class FlacFrameDecoder {
public:
    explicit FlacFrameDecoder(const FlacStreamFormat &format);
    ~FlacFrameDecoder();
    FlacFrameDecoder(const FlacFrameDecoder &) = delete;
    FlacFrameDecoder &operator=(const FlacFrameDecoder &) = delete;

    // The frame at data (followed by the padding libavcodec reads past the
    // end), from input where it starts at sample at, as the decoder gives it:
    // valid until the next call.
    const AVFrame *decode(const quint8 *data, qint64 size, const QString &input, qint64 at);
    // The same, its samples appended to samples, interleaved, as integers of
    // the stream's depth.
    void decode(const quint8 *data, qint64 size, const QString &input, qint64 at,
                std::vector<qint32> &samples);
    // The samples of a frame it decoded, appended to samples as above.
    void appendSamples(const AVFrame *frame, std::vector<qint32> &samples) const;
    // Whether the decoder's frames are 16-bit interleaved, as the MD5 takes them.
    bool givesMd5Bytes(const AVFrame *frame) const;

    // Samples as FLAC's MD5 takes them: little-endian integers of whole bytes,
    // interleaved (RFC 9639, 8.2), into bytes.
    static void md5Bytes(const qint32 *samples, qint64 count, int bitsPerSample, QByteArray &bytes);

private:
    // libavcodec's decoder, and the packet and frame it is handed and hands back.
    struct Codec;

    FlacStreamFormat m_format;
    std::unique_ptr<Codec> m_codec;
};
