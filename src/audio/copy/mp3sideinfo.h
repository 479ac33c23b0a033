#pragma once

#include "audio/core/mp3frameheader.h"

#include <QtGlobal>

// The side information of one Layer III frame, read and changed in place:
// where its main data begins (how far it reaches back into the frames
// before), how long that data is, and each granule's global gain.
class Mp3SideInfo {
public:
    // frame: the whole frame, header first; read only.
    Mp3SideInfo(const quint8 *frame, const Mp3FrameHeader &header);
    // One that may be changed.
    Mp3SideInfo(quint8 *frame, const Mp3FrameHeader &header);

    int mainDataBegin() const;
    void setMainDataBegin(int bytes);
    // Bytes of main data the frame decodes: its granules' part2_3 lengths.
    int mainDataBytes() const;
    // Adds steps (each 2^(1/4) in amplitude, 1.5 dB) to every granule's
    // global gain that carries audio; the number of those that had to be
    // clamped to 0..255.
    int addGain(int steps);
    // How many addGain(steps) would clamp.
    int clampedBy(int steps) const;
    // The frame's CRC, when it has one, taken again after a change.
    void updateCrc();

private:
    int blocks() const;
    int blockAt(int block) const;
    quint32 bits(int at, int count) const;
    void setBits(int at, int count, quint32 value);

    const quint8 *m_frame;
    const quint8 *m_side;
    Mp3FrameHeader m_header;
    quint8 *m_writable = nullptr;
};
