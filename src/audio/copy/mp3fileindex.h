#pragma once

#include "audio/core/mp3frameheader.h"

#include <QFile>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

// Every audio frame of an MP3 file, found by reading its headers and side
// information only, and its gapless trim from the Xing/LAME header, read the
// way FFmpeg reads it: the encoder delay and padding count only in a LAME or
// FFmpeg tag. Says whether the frames can be copied into a join as they are,
// and if not, why. The file stays mapped while the index lives.
class Mp3FileIndex {
public:
    struct Frame {
        qint64 offset = 0;
        int bytes = 0;
        // Where its main data begins, counted back from its own payload.
        int mainDataBegin = 0;
        int payloadBytes = 0;
        int bitrateIndex = 0;
    };

    explicit Mp3FileIndex(const QString &fileName);
    ~Mp3FileIndex();
    Mp3FileIndex(const Mp3FileIndex &) = delete;
    Mp3FileIndex &operator=(const Mp3FileIndex &) = delete;

    const QString &fileName() const { return m_fileName; }
    // Empty when the frames can be copied; else why not, for the user.
    const QString &refusal() const { return m_refusal; }
    bool copyable() const { return m_refusal.isEmpty(); }
    // The first audio frame's header (valid when copyable).
    const Mp3FrameHeader &header() const { return m_header; }
    const std::vector<Frame> &frames() const { return m_frames; }
    qint64 frameCount() const { return qint64(m_frames.size()); }
    // Samples per channel in a frame.
    int frameSamples() const { return m_header.samples(); }
    int delay() const { return m_delay; }
    int padding() const { return m_padding; }
    // Where the signal starts in the decoder's own output (its delay of 529
    // samples with the encoder's delay) and how long it is, as FFmpeg trims it.
    qint64 signalStart() const;
    qint64 signalLength() const;
    // Lets go of the file, so that a join of many inputs holds only the one
    // it reads open; reopen() maps it again and throws AudioError when it is
    // no longer the file indexed.
    void close();
    void reopen();
    // The bytes of a frame in the mapped file.
    const quint8 *frameData(qint64 frame) const;
    // The main data bytes a frame reaches back for: the ends of the payloads
    // before it, in stream order.
    QByteArray reachedBytes(qint64 frame) const;

private:
    void scan(const quint8 *data, qint64 size);
    qint64 audioStart(const quint8 *data, qint64 size) const;
    bool readTagFrame(const quint8 *frame, const Mp3FrameHeader &header);
    void checkMainData();
    void refuse(const QString &reason);

    QString m_fileName;
    QFile m_file;
    qint64 m_size = 0;
    const quint8 *m_data = nullptr;
    QString m_refusal;
    Mp3FrameHeader m_header;
    std::vector<Frame> m_frames;
    int m_delay = 0;
    int m_padding = 0;
    bool m_trimmed = false;
    qint64 m_statedFrames = -1;
};
