#pragma once

// Each WMA profile number (1..47, the 1-based position in the settings' WMA
// profile list) as its caption names it.
struct WmaProfile {
    int sampleRate;  // Hz
    int channels;
    int bitrate;  // kbit/s, constant; 0 for the quality-driven VBR and lossless ones
};

inline constexpr int kWmaProfileCount = 47;

// The profile for a number; throws AudioError outside 1..kWmaProfileCount.
WmaProfile wmaProfile(int number);

// Whether wmav2 writes the profile as its caption names it; the others are
// refused, not written as something else. Throws as wmaProfile() does.
bool wmaProfileWritable(int number);
