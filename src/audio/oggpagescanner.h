#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Reads the page headers of an OGG file (Vorbis, Opus or FLAC inside) from the
// first page to the last and, where the pages can be trusted, tells the granule
// positions that give its exact length, without decoding anything.
//
// Trusted means: every page is well formed and its checksum right, the pages
// belong to one logical stream and follow each other without a gap, the last
// page (and no other) closes the stream and ends the file, and no granule
// position claims more audio than the packets of its page can hold. A chained,
// cut, damaged or crafted file gives nothing; its length must be decoded.
class OggPageScanner {
public:
    enum class Codec { Vorbis, Opus, Flac };

    struct Stream {
        Codec codec = Codec::Vorbis;
        // The granule position of the last page: the end of the audio.
        qint64 lastGranule = 0;
        // Opus: the frames the decoder drops at the start (pre-skip), else 0.
        qint64 preSkip = 0;
        // Opus: the granule position where the first audio packet starts,
        // from the first audio page's granule less its packets' frames. Not
        // known for Vorbis and FLAC, whose packets do not tell their length.
        std::optional<qint64> startGranule;
    };

    static std::optional<Stream> scan(const QString &fileName);
};
