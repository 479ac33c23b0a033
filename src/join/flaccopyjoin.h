#pragma once

#include "join/copyjoinparts.h"

#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

class ChapterPlan;
class FlacFrameDecoder;
class FlacStreamWriter;
class JunctionMixer;

// The join of a FLAC output that keeps the frames of its FLAC inputs: the
// native FLAC inputs of the rate, channel count and depth that last longest
// in all are copied frame by frame (FlacStreamWriter), and everything else (an
// input of another format, a damaged one, one with a loudness gain, the
// pauses, the frames a crossfade mixes) is decoded, brought to that format and
// encoded at the page's compression level into the same stream.
class FlacCopyJoin {
public:
    explicit FlacCopyJoin(const CopyJoinParts &parts);
    ~FlacCopyJoin();
    FlacCopyJoin(const FlacCopyJoin &) = delete;
    FlacCopyJoin &operator=(const FlacCopyJoin &) = delete;

    // None when no row can be copied: the join is then encoded as usual.
    std::optional<CopyJoinOutcome> run();

private:
    // Which rows are copied, with the writer for them; none when no row can be.
    std::optional<std::vector<bool>> plan();
    // Each ends the row early when the observer stops the join.
    void copyRow(int row);
    void encodeRow(int row);
    // The row, frames long at the output's rate, is next in the junctions and the chapters.
    void rowStarts(int row, qint64 frames);
    // Before each block: false stops the join.
    bool blockStarts();
    void blockWritten(qint64 frames);

    const CopyJoinParts &m_parts;
    std::unique_ptr<FlacStreamWriter> m_writer;
    std::unique_ptr<ChapterPlan> m_chapters;
    std::unique_ptr<JunctionMixer> m_junctions;
    // Decodes the copied inputs' frames that a crossfade mixes.
    std::unique_ptr<FlacFrameDecoder> m_decoder;
    qint64 m_processed = 0;
    bool m_stopped = false;
};
