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
// position claims more audio than the packets of its page hold. A chained,
// cut, damaged or crafted file gives nothing; its length must be decoded.
//
// The packets' lengths come from their first bytes: the TOC byte of Opus, the
// mode of Vorbis (through libavcodec's parser of its setup header), the frame
// header of FLAC.
class OggPageScanner {
public:
    enum class Codec { Vorbis, Opus, Flac };

    struct Stream {
        Codec codec = Codec::Vorbis;
        // The granule position of the last page: the end of the audio.
        qint64 lastGranule = 0;
        // Opus: the frames the decoder drops at the start (pre-skip), else 0.
        qint64 preSkip = 0;
        // Where the first audio packet starts: the first audio page's granule
        // less its packets' frames. Later than 0 in a stream cut out of another.
        qint64 startGranule = 0;
    };

    static std::optional<Stream> scan(const QString &fileName);
};
