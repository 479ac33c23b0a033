#pragma once

#include "audio/core/lameencoder.h"
#include "audio/core/samplearray.h"
#include "join/junctionmixer.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

class LameWindowEncoder;
class Mp3CopyWriter;
class Mp3FileIndex;

// The frames a copy join encodes between two copied runs of MP3 frames (or
// before the first, or after the last): the end of the run before, from a
// whole frame on and with its padding cut off, then any inputs that are not
// copied, then the start of the run after, up to a whole frame and without
// its delay; with the join's pauses or crossfades between them. LAME encodes
// them without the bit reservoir, primed with the audio before and followed
// by the audio after, and exactly the frames that cover the window are kept,
// so the copied frames on both sides decode as they did; the last kept frames
// carry the bytes the next copied frame reaches back for. The window's audio
// is fitted into a whole number of frames by a slight change of speed
// (TimeFit), so that no gap is left where the grid of frames does not fit.
//
// Positions count in samples of the output's raw decoded stream (before the
// gapless trim), at the output's rate.
class Mp3Junction {
public:
    // A copied run before the window: its frames up to `frame` are in the
    // output already, which ends there.
    struct Left {
        const Mp3FileIndex *index = nullptr;
        qint64 frame = 0;
        float gain = 1.0f;
    };

    // left: none at the start of the stream. settings: LAME's, at the output's
    // rate and channels.
    Mp3Junction(const LameEncoder &settings, Mp3CopyWriter &writer, const QString &target,
                const Left *left, qint64 pauseFrames, qint64 crossfadeFrames);
    ~Mp3Junction();
    Mp3Junction(const Mp3Junction &) = delete;
    Mp3Junction &operator=(const Mp3Junction &) = delete;

    // An input that is encoded comes next, frames frames long; returns where
    // its audio starts in the window.
    qint64 inputStarts(qint64 frames, bool last);
    void write(const SampleArray &block);
    // The window ends before the copied run of `index` that starts at frame
    // `frame`; returns where that input's audio starts in the window.
    qint64 finishBefore(const Mp3FileIndex &index, qint64 frame, float gain);
    // The window ends the stream; returns the padding for the header frame.
    int finishAtEnd();
    // Where a position in the window lies in the output (after finishing).
    double outputPosition(qint64 position) const;
    // Where the window's audio begins in the output.
    qint64 start() const { return m_start; }

private:
    void feed(const SampleArray &frames);
    void encode(const float *frames, qint64 count);
    // Kept frames go to the writer, but for the last few, which the packer
    // may still change.
    void handOver(std::size_t hold);
    qint64 fittedTarget(qint64 pending) const;

    Mp3CopyWriter &m_writer;
    QString m_target;
    std::unique_ptr<LameWindowEncoder> m_encoder;
    JunctionMixer m_mixer;
    int m_channels;
    int m_frameSamples;
    qint64 m_start = 0;       // the window's first raw output sample
    qint64 m_lead = 0;        // samples before the window's audio in its frames
    qint64 m_skipFrames = 0;  // LAME's frames before those kept
    qint64 m_framesBefore = 0;
    qint64 m_kept = 0;
    SampleArray m_pending;    // window audio not yet encoded: the end, to be fitted
    SampleArray m_context;    // the audio just before m_pending
    qint64 m_fed = 0;         // window audio encoded as it is
    qint64 m_length = 0;      // window audio in all
    qint64 m_fittedFrom = 0;  // after finishing: the fitted part's bounds
    qint64 m_fittedLength = 0;
    qint64 m_fittedTarget = 0;
};
