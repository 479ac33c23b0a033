#pragma once

#include "audio/core/avdeleters.h"
#include "audio/core/outputformat.h"

#include <QString>

// An opened encoder for an output format, and how to store what it produces.
struct EncoderSetup {
    CodecContextPtr codec;
    const char *muxer = nullptr;  // libavformat's short name
    DictionaryPtr muxerOptions;   // for the header
    DictionaryPtr muxerMetadata;  // the file's own tags, written with the header
    // wmav2's decoders drop the first frame (initial_padding samples) and need a
    // frame after the last one: the writer feeds silence for both.
    bool primeWithSilence = false;
    // No metadata of the muxer's own: a tag chunk in front of the audio would make
    // the later stamping move all the audio (WAV).
    bool noMuxerMetadata = false;
    // M4B: the index goes in front of the audio (see mp4tagroom.h); once the file
    // is complete, its reserved tag room gets the encoder's priming and padding.
    bool mp4TagRoom = false;
    // False when opening the encoder changed the bit rate asked for (AAC lowers
    // a rate above what its frames can hold).
    bool bitRateKept = true;
};

// Configures and opens the encoder for the format (not MP3: LameMp3Writer
// encodes it). Throws AudioError naming fileName when the encoder refuses it,
// or when no format was selected. frameSize: the frames each packet must hold
// (FLAC's block size, at least 16); 0 leaves it to the encoder. extraTagRoom:
// bytes an M4B's tag room keeps besides its own (a cover).
EncoderSetup openEncoder(const OutputFormat &format, const QString &fileName, int frameSize = 0,
                         int extraTagRoom = 0);
