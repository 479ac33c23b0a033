#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// The length of the sound track of an MP4 file (M4A, M4B) as its sample tables,
// its edit list and its iTunSMPB tag state it, read from the boxes themselves.
// The AAC encoder's priming at the start and padding at the end are not part of
// that length; FFmpeg drops the priming by itself (edit list or iTunSMPB) and
// the reader stops at the length, which drops the padding.
class Mp4Timing {
public:
    // Nothing when the file is no complete, unfragmented MP4 with exactly one
    // sound track whose timing this reader understands (one edit at most).
    static std::optional<Mp4Timing> read(const QString &fileName);

    // The frames the track plays, in units of timescale().
    qint64 playedFrames() const;
    qint64 timescale() const { return m_timescale; }

    // The parts of the boxes that say where the track starts and ends.
    struct Edit {
        qint64 mediaTime = 0;  // media units dropped at the start
        qint64 duration = 0;   // media units played from there
    };
    struct Gapless {
        qint64 priming = 0;  // iTunSMPB: frames dropped at the start
        qint64 frames = 0;   // iTunSMPB: frames played
    };
    Mp4Timing(qint64 timescale, qint64 tableFrames, std::optional<Edit> edit,
              std::optional<Gapless> gapless);

private:
    qint64 m_timescale = 0;
    // The sum of the sample durations (the stts box), in media units.
    qint64 m_tableFrames = 0;
    std::optional<Edit> m_edit;
    std::optional<Gapless> m_gapless;
};
