#pragma once

#include "audio/avdeleters.h"
#include "audio/outputformat.h"

#include <QString>

// An opened encoder for an output format, and how to store what it produces.
struct EncoderSetup {
    CodecContextPtr codec;
    const char *muxer = nullptr;        // libavformat's short name
    const char *muxerOption = nullptr;  // one option for the header, or none
    const char *muxerOptionValue = nullptr;
    // wmav2's decoders drop the first frame (initial_padding samples) and need a
    // frame after the last one: the writer feeds silence for both.
    bool primeWithSilence = false;
    // No metadata of the muxer's own: a tag chunk in front of the audio would make
    // the later stamping move all the audio (WAV).
    bool noMuxerMetadata = false;
};

// Configures and opens the encoder for the format (not MP3: LameMp3Writer
// encodes it). Throws AudioError naming fileName when the encoder refuses it,
// or when no format was selected.
EncoderSetup openEncoder(const OutputFormat &format, const QString &fileName);
