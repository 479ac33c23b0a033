#pragma once

#include <QString>

#include <memory>

class LameEncoder;
// LAME's encoder (lame_t); its header stays inside the encoders' sources.
struct lame_global_struct;

struct LameDeleter {
    void operator()(lame_global_struct *lame) const;
};
using LamePtr = std::unique_ptr<lame_global_struct, LameDeleter>;

// What a LAME encoder writes besides the settings' audio.
struct LameFraming {
    // Its first frame kept for the Xing/LAME header frame, filled in at the end.
    bool headerFrame = true;
    // Frames may reach back into the ones before for bits (the bit reservoir).
    bool reservoir = true;
};

// LAME set up with the settings: the rate out is the rate in (left alone,
// LAME lowers it for low bit rates), joint stereo or mono, constant bit rate
// or VBR with its quality and maximum; no tags of its own. Throws AudioError
// naming fileName when LAME refuses them.
LamePtr openLame(const LameEncoder &settings, LameFraming framing, const QString &fileName);
