#pragma once

#include "audio/copy/flacframedecoder.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// The MD5 of a FLAC stream's audio, taken while the stream is written:
// decoding the copied frames for it and hashing them are most of a copy
// join's work, so they run on threads of their own: two decode frames in
// turns (FLAC frames decode each on its own), one hashes what they give in
// the order the items were added. A frame that does not decode fails the
// hash, named by its input.
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
        qint64 number = 0;  // in the order added
    };
    // What one decoding thread owns.
    struct Decoding {
        explicit Decoding(const FlacStreamFormat &format) : decoder(format) {}
        FlacFrameDecoder decoder;
        std::vector<qint32> samples;  // one frame's, reused
    };
    void add(Item item);
    // The threads: frames to samples, samples into the hash.
    void decode(Decoding &decoding);
    void hash();
    void fail(const QString &failure);
    void stop();
    QByteArray samplesOf(const Item &item, Decoding &decoding) const;

    int m_bitsPerSample;
    std::vector<std::unique_ptr<Decoding>> m_decodings;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;                // to be decoded
    std::map<qint64, QByteArray> m_decoded;  // to be hashed, by number
    qint64 m_added = 0;                      // items added so far
    qint64 m_hashed = 0;                     // items hashed so far
    QString m_failure;
    bool m_finished = false;    // no more items come
    int m_decodingThreads = 0;  // still running
    std::vector<std::thread> m_threads;
};
