#pragma once

#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

#include <cstddef>
#include <optional>

// Where a decoder that is ahead of the join puts the audio its queue has no
// room for: an unnamed file in the output's folder (not /tmp, which may be
// memory), gone once closed, made when first written. Raw interleaved samples,
// appended; read back by offset, in the order they were appended, and released,
// which frees their room on disk where the file system can. Anything that goes
// wrong (no such folder, a full disk, the cap reached) makes append() refuse,
// and the decoder then waits for the join as it would without one. Not
// thread-safe: its queue's lock guards it.
class SpoolFile {
public:
    explicit SpoolFile(const QString &folder);
    ~SpoolFile();
    SpoolFile(const SpoolFile &) = delete;
    SpoolFile &operator=(const SpoolFile &) = delete;

    // The offset the samples were written at; none when they were not.
    std::optional<qint64> append(const SampleArray &samples);
    // Fills samples, sized by the caller, from offset; throws AudioError when
    // the file cannot be read, as what was decoded is then lost.
    void readBack(qint64 offset, SampleArray &samples) const;
    // The samples appended at offset are no longer needed.
    void release(qint64 offset, std::size_t sampleCount);
    // Everything appended has been released: the next append starts at the beginning.
    void rewind();

private:
    bool create();

    const QString m_folder;
    int m_descriptor = -1;
    // Where the next append goes; what is appended and not yet released.
    qint64 m_end = 0;
    qint64 m_kept = 0;
    // Released room is given back to the file system (a hole), so the file
    // may run on past the cap while what it holds stays below it.
    bool m_holes = true;
    // Making or writing the file failed once: it is not tried again.
    bool m_broken = false;
};
