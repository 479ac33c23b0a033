#pragma once

#include "audio/tags/booktags.h"

#include <QString>

// Reads the tags of an input through TagLib, the format found from the file's
// content (not its name): ID3v2 or ID3v1 in MP3 and ADTS AAC, ID3v2 or RIFF INFO
// in WAV (RF64 too), ASF attributes in WMA, the Xiph comment in OGG Vorbis,
// Opus and FLAC and in FLAC, the MP4 item list in M4A, ID3v2 in AIFF.
class TagReader {
public:
    // The title; empty when the file has none or cannot be read.
    static QString title(const QString &fileName);
    // The book tags, where each format keeps them (see AudioInformation, which
    // writes them there); empty fields when the file has none or cannot be
    // read. An RF64 file's ID3v2 chunk is read, its INFO list has none.
    static BookTags bookTags(const QString &fileName);
};
