#include "audio/wmaprofiles.h"

#include "audio/audioerror.h"

#include <QString>

#include <array>

namespace {

// wmav2 refuses anything below 24 kbit/s (tried at every rate and channel count
// with full-scale white noise: 24 kbit/s encodes everywhere), and it has neither
// a quality-driven VBR mode nor a lossless one. Where a profile asks for what it
// cannot do, the nearest it can do is used, as noted on the line.
constexpr std::array<WmaProfile, kWmaProfileCount> kProfiles = {{
    {48000, 2, 192},  //  1 "WMA9 48KHz, 192Kbps, Stereo, CBR"
    {48000, 2, 160},  //  2 "WMA9 48KHz, 160Kbps, Stereo, CBR"
    {48000, 2, 128},  //  3 "WMA9 48KHz, 128Kbps, Stereo, CBR"
    {48000, 2, 96},   //  4 "WMA9 48KHz, 96Kbps, Stereo, CBR"
    {48000, 2, 64},   //  5 "WMA9 48KHz, 64Kbps, Stereo, CBR"
    {44100, 2, 320},  //  6 "WMA9 44KHz, 320Kbps, Stereo, CBR"
    {44100, 2, 256},  //  7 "WMA9 44KHz, 256Kbps, Stereo, CBR"
    {44100, 2, 192},  //  8 "WMA9 44KHz, 192Kbps, Stereo, CBR"
    {44100, 2, 160},  //  9 "WMA9 44KHz, 160Kbps, Stereo, CBR"
    {44100, 2, 128},  // 10 "WMA9 44KHz, 128Kbps, Stereo, CBR"
    {44100, 2, 96},   // 11 "WMA9 44KHz, 96Kbps, Stereo, CBR"
    {44100, 2, 80},   // 12 "WMA9 44KHz, 80Kbps, Stereo, CBR"
    {44100, 2, 64},   // 13 "WMA9 44KHz, 64Kbps, Stereo, CBR"
    {44100, 2, 48},   // 14 "WMA9 44KHz, 48Kbps, Stereo, CBR"
    {44100, 2, 32},   // 15 "WMA9 44KHz, 32Kbps, Stereo, CBR"
    {44100, 1, 48},   // 16 "WMA9 44KHz, 48Kbps, Mono, CBR"
    {44100, 1, 32},   // 17 "WMA9 44KHz, 32Kbps, Mono, CBR"
    {44100, 1, 24},   // 18 "WMA9 44KHz, 20Kbps, Mono, CBR": 24, wmav2's lowest
    {32000, 2, 48},   // 19 "WMA9 32KHz, 48Kbps, Stereo, CBR"
    {32000, 2, 40},   // 20 "WMA9 32KHz, 40Kbps, Stereo, CBR"
    {32000, 2, 32},   // 21 "WMA9 32KHz, 32Kbps, Stereo, CBR"
    {32000, 1, 24},   // 22 "WMA9 32KHz, 20Kbps, Mono, CBR": 24, wmav2's lowest
    {32000, 2, 32},   // 23 "WMA9 32KHz, 32Kbps, Stereo, CBR" (same caption as 21)
    {32000, 2, 24},   // 24 "WMA9 32KHz, 22Kbps, Stereo, CBR": 24, wmav2's lowest
    {22050, 2, 24},   // 25 "WMA9 22KHz, 20Kbps, Stereo, CBR": 24, wmav2's lowest
    {22050, 1, 24},   // 26 "WMA9 22KHz, 20Kbps, Mono, CBR": 24, wmav2's lowest
    {22050, 1, 24},   // 27 "WMA9 22KHz, 16Kbps, Mono, CBR": 24, wmav2's lowest
    {16000, 2, 24},   // 28 "WMA9 16KHz, 20Kbps, Stereo, CBR": 24, wmav2's lowest
    {16000, 2, 24},   // 29 "WMA9 16KHz, 16Kbps, Stereo, CBR": 24, wmav2's lowest
    {16000, 1, 24},   // 30 "WMA9 16KHz, 16Kbps, Mono, CBR": 24, wmav2's lowest
    {16000, 1, 24},   // 31 "WMA9 16KHz, 12Kbps, Mono, CBR": 24, wmav2's lowest
    {16000, 1, 24},   // 32 "WMA9 16KHz, 10Kbps, Mono, CBR": 24, wmav2's lowest
    {11025, 1, 24},   // 33 "WMA9 11KHz, 10Kbps, Mono, CBR": 24, wmav2's lowest
    {11025, 1, 24},   // 34 "WMA9 11KHz, 8Kbps, Mono, CBR": 24, wmav2's lowest
    {8000, 2, 24},    // 35 "WMA9 8KHz,  12Kbps, Stereo, CBR": 24, wmav2's lowest
    {8000, 1, 24},    // 36 "WMA9 8KHz,  8Kbps, Mono, CBR": 24, wmav2's lowest
    {8000, 1, 24},    // 37 "WMA9 8KHz,  6Kbps, Mono, CBR": 24, wmav2's lowest
    {8000, 1, 24},    // 38 "WMA9 8KHz,  5Kbps, Mono, CBR": 24, wmav2's lowest
    // Quality-driven VBR: no such mode in wmav2, so a constant bit rate near what
    // that quality typically averages at this rate.
    {48000, 2, 256},  // 39 "WMA9 48KHz, Stereo, VBR Quality 98"
    {48000, 2, 192},  // 40 "WMA9 48KHz, Stereo, VBR Quality 90"
    {44100, 2, 256},  // 41 "WMA9 44KHz, Stereo, VBR Quality 98"
    {44100, 2, 192},  // 42 "WMA9 44KHz, Stereo, VBR Quality 90"
    {44100, 2, 128},  // 43 "WMA9 44KHz, Stereo, VBR Quality 75"
    {44100, 2, 96},   // 44 "WMA9 44KHz, Stereo, VBR Quality 50"
    {44100, 2, 64},   // 45 "WMA9 44KHz, Stereo, VBR Quality 25"
    {44100, 2, 48},   // 46 "WMA9 44KHz, Stereo, VBR Quality 10"
    // Lossless: not possible with wmav2; its highest listed rate instead.
    {44100, 2, 320},  // 47 "WMA9 44KHz, Stereo, Lossless"
}};

}  // namespace

WmaProfile wmaProfile(int number)
{
    if (number < 1 || number > kWmaProfileCount)
        throw AudioError(QStringLiteral("WMA profile %1 does not exist (1 to %2)")
                             .arg(number)
                             .arg(kWmaProfileCount));
    return kProfiles[static_cast<std::size_t>(number - 1)];
}
