#pragma once

#include "audio/core/samplearray.h"

#include <QtGlobal>

class Mp3FileIndex;

// Decodes a stretch of an MP3 file's frames with libavcodec, as the decoder
// would give them in the whole file: frames before the stretch are decoded
// first and dropped, as many as the first frame's main data reaches back
// into and one more, whose output the first frame's overlaps with.
class Mp3WindowDecoder {
public:
    // The raw output of frames [first, end) (the decoder's own delay not
    // trimmed), interleaved; throws AudioError naming the file.
    static SampleArray decode(const Mp3FileIndex &index, qint64 first, qint64 end);
};
