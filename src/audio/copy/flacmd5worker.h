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

// The MD5 of a FLAC stream's audio, taken while the stream is written:
// decoding the copied frames for it and hashing them are most of a copy
// join's work, so they run on two threads of their own, one after the other.
// Items are hashed in the order they are added. A frame that does not decode
// fails the hash, named by its input.
class FlacMd5Worker {
public:
    explicit FlacMd5Worker(const FlacStreamFormat &format);
    // Waits for the threads.
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
    // The threads: frames to samples, samples into the hash.
    void decode();
    void hash();
    void fail(const QString &failure);
    void stop();
    QByteArray samplesOf(const Item &item);

    int m_bitsPerSample;
    FlacFrameDecoder m_decoder;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    std::vector<qint32> m_samples;  // one frame's, reused
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;          // to be decoded
    std::deque<QByteArray> m_decoded;  // to be hashed
    QString m_failure;
    bool m_added = false;  // no more items come
    bool m_decodedAll = false;
    std::thread m_decoding;
    std::thread m_hashing;
};
