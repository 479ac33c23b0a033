#pragma once

#include <vector>

class AudioInformation;
struct CoverPicture;
class JoinObserver;
struct JoinJob;
struct OutputFormat;

// What a join that copies frames is handed: the job, the output format the
// writer was given, the loudness gain of each row (empty: none), the tag
// writer and the observer; then the cover the output's tags will hold, if any.
struct CopyJoinParts {
    const JoinJob &job;
    const OutputFormat &format;
    const std::vector<float> &gains;
    AudioInformation &information;
    JoinObserver &observer;
    const CoverPicture *cover = nullptr;
};

// How a join that copies frames ended; what JoinRun reports of any join.
struct CopyJoinOutcome {
    bool stopped = false;
    bool outputCreated = false;
    bool tagsStored = false;
    int copiedRows = 0;
    int encodedRows = 0;
};
