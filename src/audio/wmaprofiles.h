#pragma once

// What wmav2 is asked to produce for each WMA profile number (1..47, the
// 1-based position in the settings' WMA profile list).
struct WmaProfile {
    int sampleRate;  // Hz
    int channels;
    int bitrate;  // kbit/s, what wmav2 is really given
};

inline constexpr int kWmaProfileCount = 47;

// The profile for a number; throws AudioError outside 1..kWmaProfileCount.
WmaProfile wmaProfile(int number);
