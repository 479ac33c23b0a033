#pragma once

#include <QString>
#include <QStringList>

#include <array>

// The fixed value lists behind the index keys of the settings file. The stored
// integer is a position in one of these lists; the dialogs' drop-down lists show
// the captions in the same order, and the join run maps positions through the
// value tables. Nothing may index a table without checking the position first:
// use contains() or the *At() helpers, which give the key's default outside it.
namespace ValueLists {

// Sample rate, in hertz.
inline constexpr std::array<int, 9> kSampleRates = {8000,  11025, 12000, 16000, 22050,
                                                    24000, 32000, 44100, 48000};
// Bit rate, in kbit/s.
inline constexpr std::array<int, 17> kBitRates = {8,  16,  24,  32,  40,  48,  56,  64, 80,
                                                  96, 112, 128, 160, 192, 224, 256, 320};
// Bits per sample of a custom WAV output.
inline constexpr std::array<int, 2> kBitsPerSample = {8, 16};
// Channels: the channel count is the position + 1.
inline constexpr int kChannelCount = 2;
// Output formats: join/format is a row of kOutputFormats (audio/core/outputformats.h).
// WMA profiles: a row of kWmaProfiles (audio/core/wmaprofiles.h); the audio
// component is handed position + 1.
// ID3v1 genres; the position is the genre number.
inline constexpr int kGenreCount = 148;

// The defaults of the index keys (positions, not values).
inline constexpr int kDefaultSampleRateIndex = 7;     // 44100 Hz
inline constexpr int kDefaultBitRateIndex = 11;       // 128 kbit/s
inline constexpr int kDefaultChannelIndex = 1;        // stereo
inline constexpr int kDefaultBitsPerSampleIndex = 1;  // 16 bits
inline constexpr int kDefaultWmaProfileIndex = 9;     // "WMA9 44KHz, 128Kbps, Stereo, CBR"
inline constexpr int kDefaultGenreIndex = 12;         // "Other"

// FLAC: the sample rate and channel lists above, bits per sample from this list,
// and a compression level from 0 (fastest) to 8 (smallest file).
inline constexpr std::array<int, 2> kFlacBitsPerSample = {16, 24};
inline constexpr int kDefaultFlacBitsIndex = 0;  // 16 bits
inline constexpr int kFlacLevelMaximum = 8;
inline constexpr int kDefaultFlacLevel = 5;

// M4B: the AAC sample rates audiobook players take, the channel list above, and
// the bit-rate list from 32 kbit/s on (positions count from there).
inline constexpr std::array<int, 4> kM4bSampleRates = {22050, 32000, 44100, 48000};
inline constexpr int kDefaultM4bSampleRateIndex = 2;  // 44100 Hz
inline constexpr int kM4bFirstBitRateIndex = 3;       // 32 kbit/s in kBitRates
inline constexpr int kM4bBitRateCount = int(kBitRates.size()) - kM4bFirstBitRateIndex;
inline constexpr int kDefaultM4bMonoBitRateIndex = 4;    // 64 kbit/s
inline constexpr int kDefaultM4bStereoBitRateIndex = 8;  // 128 kbit/s

// join/chapters: each joined file becomes a chapter of the output unless turned off.
inline constexpr bool kDefaultChapters = true;
// join/loudness target: the integrated loudness, in LUFS, that matching brings
// every input to: speech and podcasts, music streaming, broadcast.
inline constexpr std::array<int, 3> kLoudnessTargets = {-16, -14, -23};
inline constexpr int kDefaultLoudnessTargetIndex = 0;  // -16 LUFS
// Any target in this range may be asked for on the command line.
inline constexpr int kLoudnessTargetMinimum = -31;
inline constexpr int kLoudnessTargetMaximum = -5;
// join/pause and join/crossfade: milliseconds between each two files, none by
// default; a file that sets both crossfades.
inline constexpr int kJunctionMillisecondsMaximum = 10000;
inline constexpr int kDefaultJunctionMilliseconds = 0;
// What lies between the files, as the Join page's list offers it.
enum class Junction { None, Pause, Crossfade };
// join/copy: every input is encoded unless copying is asked for, as it was
// before copying could be.
inline constexpr bool kDefaultCopy = false;

// wav/mode: CD quality (44100 Hz, stereo, 16 bits) or the custom bit, channel and frequency.
inline constexpr int kWavModeCdQuality = 0;
inline constexpr int kWavModeCustom = 1;

// True when index is a position of a list of size entries.
constexpr bool contains(int size, int index)
{
    return index >= 0 && index < size;
}

// The value at a position, or the value at fallbackIndex when the position lies
// outside the list.
int sampleRateAt(int index, int fallbackIndex = kDefaultSampleRateIndex);
int bitRateAt(int index, int fallbackIndex = kDefaultBitRateIndex);
int bitsPerSampleAt(int index, int fallbackIndex = kDefaultBitsPerSampleIndex);
int channelsAt(int index, int fallbackIndex = kDefaultChannelIndex);
int flacBitsPerSampleAt(int index, int fallbackIndex = kDefaultFlacBitsIndex);
int m4bSampleRateAt(int index, int fallbackIndex = kDefaultM4bSampleRateIndex);
int m4bBitRateAt(int index, int fallbackIndex);
int loudnessTargetAt(int index, int fallbackIndex = kDefaultLoudnessTargetIndex);

// The M4B bit rate of a missing key follows the channel count: 64 kbit/s for
// mono, 128 for stereo.
int m4bDefaultBitRateIndex(int channels);

// Captions of the drop-down lists, in list order.
QStringList sampleRateCaptions();         // "8000 Hz" .. "48000 Hz"
QStringList bitRateCaptions();            // "8 Kbps" .. "320 Kbps"
QStringList channelCaptions();            // "Mono", "Stereo"
QStringList bitsPerSampleCaptions();      // "8 bps", "16 bps"
QStringList flacBitsPerSampleCaptions();  // "16 bps", "24 bps"
QStringList m4bSampleRateCaptions();      // "22050 Hz" .. "48000 Hz"
QStringList m4bBitRateCaptions();         // "32 Kbps" .. "320 Kbps"
QStringList loudnessTargetCaptions();     // "-16 LUFS (speech, podcasts)", ...
QStringList junctionCaptions();           // "None", "Pause", "Crossfade"
QStringList outputFormatCaptions();       // kOutputFormats' captions
QStringList wmaProfileCaptions();         // kWmaProfiles' captions
QStringList genreCaptions();              // 148 entries, ID3v1 order
// The position of a genre caption, in any case; -1 for a text not in the list.
int genreIndexOf(const QString &caption);

}  // namespace ValueLists
