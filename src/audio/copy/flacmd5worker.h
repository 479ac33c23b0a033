#pragma once

#include "audio/copy/flacframedecoder.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// The MD5 of a FLAC stream's audio, taken on a thread of its own while the
// stream is written: decoding the copied frames for it is most of a copy
// join's work. Items are hashed in the order they are added. A frame that does
// not decode fails the hash, named by its input.
class FlacMd5Worker {
public:
    explicit FlacMd5Worker(const FlacStreamFormat &format);
    // Waits for the thread.
    ~FlacMd5Worker();
    FlacMd5Worker(const FlacMd5Worker &) = delete;
    FlacMd5Worker &operator=(const FlacMd5Worker &) = delete;

    // A whole frame of the stream, from input, starting at its sample at there.
    // Throws AudioError when an earlier item failed.
    void addFrame(QByteArray frame, const QString &input, qint64 at);
    // Samples as the MD5 takes them (FlacFrameDecoder::md5Bytes).
    void addSamples(QByteArray samples);
    // The MD5 of everything added; throws AudioError when an item failed.
    QByteArray result();

private:
    struct Item {
        QByteArray bytes;
        bool frame = false;
        QString input;
        qint64 at = 0;
    };
    void add(Item item);
    void work();
    void hash(const Item &item);

    int m_bitsPerSample;
    FlacFrameDecoder m_decoder;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    std::vector<qint32> m_samples;  // one frame's, reused
    QByteArray m_pcm;               // the same as the MD5 takes them, reused
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;
    QString m_failure;
    bool m_ended = false;
    std::thread m_thread;
};
