#pragma once

#include <QIODevice>

#include <functional>

class PlaybackQueue;

// The pull source a QAudioSink reads: the queue's frames as 16-bit samples.
// Once the end has been taken, it goes on with silence until the sink's whole
// buffer has been pushed through, so the last real frames have been heard when
// it reports the end (and a buffer that never filled still starts playing).
class SinkFeed : public QIODevice {
    Q_OBJECT
public:
    // consumed runs after every read that took frames or finished the padding.
    SinkFeed(PlaybackQueue &queue, std::function<void()> consumed, QObject *parent = nullptr);

    // Bytes of silence after the end; the sink's buffer size.
    void setPaddingBytes(qint64 bytes);
    bool paddingDone() const;
    // Tells a sink that went idle for want of data that there is more.
    void announceData();

    bool isSequential() const override;
    bool atEnd() const override;
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char *data, qint64 maxSize) override;
    qint64 writeData(const char *data, qint64 maxSize) override;

private:
    qint64 readPadding(char *data, qint64 maxSize);

    PlaybackQueue &m_queue;
    std::function<void()> m_consumed;
    qint64 m_paddingBytes = 0;
    qint64 m_paddingWritten = 0;
};
