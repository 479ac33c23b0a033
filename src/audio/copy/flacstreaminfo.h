#pragma once

#include <QByteArray>
#include <QtGlobal>

// What the frames of a FLAC stream hold: every frame of a copied input has it.
struct FlacStreamFormat {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
    bool operator==(const FlacStreamFormat &) const = default;
};

// A FLAC stream's STREAMINFO block (RFC 9639, 8.2), read and written.
struct FlacStreamInfo {
    static constexpr int kBytes = 34;
    // Only a stream's last block may be shorter; no block is longer.
    static constexpr qint64 kSmallestBlock = 16;
    static constexpr qint64 kLargestBlock = 65535;
    // The most samples a stream counts.
    static constexpr qint64 kMaxSamples = (qint64(1) << 36) - 1;

    qint64 minBlock = 0;
    qint64 maxBlock = 0;
    qint64 minFrameBytes = 0;
    qint64 maxFrameBytes = 0;
    FlacStreamFormat format;
    qint64 samples = 0;  // 0: not stated
    QByteArray md5;      // 16 bytes, all 0: not stated

    // The block at data, kBytes long.
    static FlacStreamInfo parse(const quint8 *data);
    QByteArray bytes() const;
};
