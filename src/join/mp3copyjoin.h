#pragma once

#include "join/copyjoinparts.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <optional>
#include <vector>

class ChapterPlan;
class LameEncoder;
class Mp3CopyWriter;
class Mp3FileIndex;
class Mp3Junction;

// A join into an MP3 that copies the inputs' frames where it can: the inputs
// of one MPEG version, sample rate and channel count (those of the longest
// total) are copied frame by frame, each with its loudness gain set in its
// frames' global gain; every junction between them is mended by a few frames
// encoded again (Mp3Junction), and the inputs that cannot be copied are
// encoded there too, at the copied inputs' rate and channels. One Xing/LAME
// header frame states the whole stream's length and gapless trim.
class Mp3CopyJoin {
public:
    explicit Mp3CopyJoin(const CopyJoinParts &parts);
    ~Mp3CopyJoin();
    Mp3CopyJoin(const Mp3CopyJoin &) = delete;
    Mp3CopyJoin &operator=(const Mp3CopyJoin &) = delete;

    // None when no input can be copied: the join is then encoded as usual.
    std::optional<CopyJoinOutcome> run();

private:
    struct Row;

    void plan();
    void planCuts();
    void widen(Row &left, Row &right);
    LameEncoder windowSettings(int leftRow, int rightRow) const;
    // Each returns false when the join was stopped there.
    bool copyRun(int row);
    bool encodeRow(int row);
    void openJunction(int leftRow);
    void closeJunction();
    void finish(int padding);

    const CopyJoinParts &m_parts;
    std::vector<Row> m_rows;
    int m_rate = 0;
    int m_channels = 0;
    int m_frameSamples = 0;
    qint64 m_pause = 0;
    qint64 m_crossfade = 0;
    std::unique_ptr<Mp3CopyWriter> m_writer;
    // The join's chapters, when it writes any: read once, sized into the
    // output's tag room and placed at the end.
    std::unique_ptr<ChapterPlan> m_chapters;
    std::unique_ptr<Mp3Junction> m_junction;
    // Rows whose audio starts in the open junction, and where.
    std::vector<std::pair<int, qint64>> m_junctionStarts;
    // Where each row's audio starts in the raw output; -1: not reached.
    std::vector<double> m_rawStarts;
    double m_signalStart = -1;  // the first row's, where the trim ends
    qint64 m_processed = 0;
    CopyJoinOutcome m_outcome;
};
