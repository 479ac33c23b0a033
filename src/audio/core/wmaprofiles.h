#pragma once

#include <QLatin1StringView>

#include <array>

// A WMA profile as the settings' WMA profile list shows it, and what it writes.
struct WmaProfile {
    QLatin1StringView caption;
    int sampleRate;  // Hz
    int channels;
    int bitrate;  // kbit/s, constant; 0 for the quality-driven VBR and lossless ones
};

// The profiles; a profile's number (1..kWmaProfileCount) is its 1-based row,
// its position in the list the settings store. wmav2 writes a constant bit rate
// of 24 kbit/s or more (below it refuses to open, tried at every rate and
// channel count); it has neither a quality-driven VBR mode nor a lossless one,
// which are listed with no bit rate. Rows 35 to 38 carry two blanks after the
// comma, and rows 21 and 23 share one caption while being two distinct
// profiles: both are kept as the list has always shown them.
inline constexpr auto kWmaProfiles = std::to_array<WmaProfile>({
    {QLatin1StringView("WMA9 48KHz, 192Kbps, Stereo, CBR"), 48000, 2, 192},
    {QLatin1StringView("WMA9 48KHz, 160Kbps, Stereo, CBR"), 48000, 2, 160},
    {QLatin1StringView("WMA9 48KHz, 128Kbps, Stereo, CBR"), 48000, 2, 128},
    {QLatin1StringView("WMA9 48KHz, 96Kbps, Stereo, CBR"), 48000, 2, 96},
    {QLatin1StringView("WMA9 48KHz, 64Kbps, Stereo, CBR"), 48000, 2, 64},
    {QLatin1StringView("WMA9 44KHz, 320Kbps, Stereo, CBR"), 44100, 2, 320},
    {QLatin1StringView("WMA9 44KHz, 256Kbps, Stereo, CBR"), 44100, 2, 256},
    {QLatin1StringView("WMA9 44KHz, 192Kbps, Stereo, CBR"), 44100, 2, 192},
    {QLatin1StringView("WMA9 44KHz, 160Kbps, Stereo, CBR"), 44100, 2, 160},
    {QLatin1StringView("WMA9 44KHz, 128Kbps, Stereo, CBR"), 44100, 2, 128},
    {QLatin1StringView("WMA9 44KHz, 96Kbps, Stereo, CBR"), 44100, 2, 96},
    {QLatin1StringView("WMA9 44KHz, 80Kbps, Stereo, CBR"), 44100, 2, 80},
    {QLatin1StringView("WMA9 44KHz, 64Kbps, Stereo, CBR"), 44100, 2, 64},
    {QLatin1StringView("WMA9 44KHz, 48Kbps, Stereo, CBR"), 44100, 2, 48},
    {QLatin1StringView("WMA9 44KHz, 32Kbps, Stereo, CBR"), 44100, 2, 32},
    {QLatin1StringView("WMA9 44KHz, 48Kbps, Mono, CBR"), 44100, 1, 48},
    {QLatin1StringView("WMA9 44KHz, 32Kbps, Mono, CBR"), 44100, 1, 32},
    {QLatin1StringView("WMA9 44KHz, 20Kbps, Mono, CBR"), 44100, 1, 20},
    {QLatin1StringView("WMA9 32KHz, 48Kbps, Stereo, CBR"), 32000, 2, 48},
    {QLatin1StringView("WMA9 32KHz, 40Kbps, Stereo, CBR"), 32000, 2, 40},
    {QLatin1StringView("WMA9 32KHz, 32Kbps, Stereo, CBR"), 32000, 2, 32},
    {QLatin1StringView("WMA9 32KHz, 20Kbps, Mono, CBR"), 32000, 1, 20},
    {QLatin1StringView("WMA9 32KHz, 32Kbps, Stereo, CBR"), 32000, 2, 32},
    {QLatin1StringView("WMA9 32KHz, 22Kbps, Stereo, CBR"), 32000, 2, 22},
    {QLatin1StringView("WMA9 22KHz, 20Kbps, Stereo, CBR"), 22050, 2, 20},
    {QLatin1StringView("WMA9 22KHz, 20Kbps, Mono, CBR"), 22050, 1, 20},
    {QLatin1StringView("WMA9 22KHz, 16Kbps, Mono, CBR"), 22050, 1, 16},
    {QLatin1StringView("WMA9 16KHz, 20Kbps, Stereo, CBR"), 16000, 2, 20},
    {QLatin1StringView("WMA9 16KHz, 16Kbps, Stereo, CBR"), 16000, 2, 16},
    {QLatin1StringView("WMA9 16KHz, 16Kbps, Mono, CBR"), 16000, 1, 16},
    {QLatin1StringView("WMA9 16KHz, 12Kbps, Mono, CBR"), 16000, 1, 12},
    {QLatin1StringView("WMA9 16KHz, 10Kbps, Mono, CBR"), 16000, 1, 10},
    {QLatin1StringView("WMA9 11KHz, 10Kbps, Mono, CBR"), 11025, 1, 10},
    {QLatin1StringView("WMA9 11KHz, 8Kbps, Mono, CBR"), 11025, 1, 8},
    {QLatin1StringView("WMA9 8KHz,  12Kbps, Stereo, CBR"), 8000, 2, 12},
    {QLatin1StringView("WMA9 8KHz,  8Kbps, Mono, CBR"), 8000, 1, 8},
    {QLatin1StringView("WMA9 8KHz,  6Kbps, Mono, CBR"), 8000, 1, 6},
    {QLatin1StringView("WMA9 8KHz,  5Kbps, Mono, CBR"), 8000, 1, 5},
    {QLatin1StringView("WMA9 48KHz, Stereo, VBR Quality 98"), 48000, 2, 0},
    {QLatin1StringView("WMA9 48KHz, Stereo, VBR Quality 90"), 48000, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, VBR Quality 98"), 44100, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, VBR Quality 90"), 44100, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, VBR Quality 75"), 44100, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, VBR Quality 50"), 44100, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, VBR Quality 25"), 44100, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, VBR Quality 10"), 44100, 2, 0},
    {QLatin1StringView("WMA9 44KHz, Stereo, Lossless"), 44100, 2, 0},
});
inline constexpr int kWmaProfileCount = int(kWmaProfiles.size());

// The profile for a number; throws AudioError outside 1..kWmaProfileCount.
WmaProfile wmaProfile(int number);

// Whether wmav2 writes the profile as its caption names it; the others are
// refused, not written as something else. Throws as wmaProfile() does.
bool wmaProfileWritable(int number);
