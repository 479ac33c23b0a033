#pragma once

#include "audio/copy/flacframereader.h"
#include "audio/core/samplearray.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

struct AVCodecContext;
class FlacFrameDecoder;
class FlacMd5Worker;
class OutputFile;

// Writes one FLAC stream of variable block size (an OutputFile) from copied
// frames and from samples it encodes itself, in any order: each copied frame
// keeps its body, its header renumbered for the sample it now starts at (a
// new CRC-8) and its CRC-16 taken again; samples are encoded with libavcodec
// at the compression level and their frames renumbered the same way.
// STREAMINFO gets the true length, the block and frame size bounds and the
// MD5 of all the audio (FlacMd5Worker).
//
// Only a stream's last block may be shorter than 16 samples: a copied frame
// that short, or encoded samples that few, are held back and encoded together
// with what follows.
class FlacStreamWriter {
public:
    // Creates the file being written; throws AudioError.
    FlacStreamWriter(const QString &target, const FlacStreamFormat &format, int compressionLevel);
    // Without commit(): nothing is left of the new file and the target is untouched.
    ~FlacStreamWriter();
    FlacStreamWriter(const FlacStreamWriter &) = delete;
    FlacStreamWriter &operator=(const FlacStreamWriter &) = delete;

    const FlacStreamFormat &format() const { return m_format; }
    // Samples in the stream so far, those still to be encoded included.
    qint64 samples() const { return m_samples + pendingFrames(); }

    // A frame of the stream's format from input, where it starts at sample at.
    void copyFrame(const FlacFrame &frame, const QString &input, qint64 at);
    // Interleaved float frames of the stream's channel count, quantised to its depth.
    void write(const SampleArray &frames);

    // Completes the stream and closes it; throws AudioError.
    void finish();
    // A path by which this process reaches the file (see OutputFile), for its
    // chapters and tags after finish().
    const QString &temporaryPath() const;
    // Gives the file the target's name.
    void commit();

private:
    qint64 pendingFrames() const;
    void encodeWholeFrames();
    void flushPending();
    void encode(AVCodecContext *encoder, const qint32 *samples, int frames);
    void writeFrame(const QByteArray &frame, qint64 blockFrames);
    void writeBytes(const QByteArray &bytes);
    QByteArray streamInfo(const QByteArray &md5) const;

    FlacStreamFormat m_format;
    int m_compressionLevel;
    QString m_target;
    std::unique_ptr<OutputFile> m_output;
    QFile m_file;
    std::unique_ptr<FlacFrameDecoder> m_decoder;
    std::unique_ptr<FlacMd5Worker> m_md5;
    // Samples of the stream's depth waiting to be encoded, interleaved, from
    // m_pendingAt on; whole frames of the encoder's block size go as soon as
    // at least one block stays behind, so that the last frames can be cut
    // for the 16-sample rule.
    std::vector<qint32> m_pending;
    std::size_t m_pendingAt = 0;
    // libavcodec's encoder of whole blocks, and the frame and packet it is
    // handed and hands back.
    struct Codec;
    std::unique_ptr<Codec> m_codec;
    int m_blockSize = 0;
    qint64 m_samples = 0;
    qint64 m_minBlock = 0;  // over the frames before the last
    qint64 m_maxBlock = 0;
    qint64 m_minFrameBytes = 0;
    qint64 m_maxFrameBytes = 0;
    qint64 m_lastBlock = 0;  // the frame written last: may it be followed is known later
};
