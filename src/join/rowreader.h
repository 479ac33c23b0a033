#pragma once

#include "audio/core/samplearray.h"

#include <QtGlobal>

// Where the join takes its inputs from, one row at a time: the row's input is
// opened, its blocks are read in the order of its BlockPlan, and it is closed.
// Failures throw what the reader threw (AudioError), at the step that failed.
class RowReader {
public:
    // What the join needs to know of an opened input.
    struct Input {
        int sampleRate = 0;
        int channels = 0;
        qint64 sampleCount = 0;
        int blockAlign = 1;
    };

    virtual ~RowReader();

    // Rows are opened in list order; a row may be skipped only at the end.
    virtual Input open(int row) = 0;
    // The next piece of the open row's block, frames being what the join still
    // wants of it: at most that many frames, maybe fewer, so that a block may
    // come in several pieces; empty when the input has no more audio.
    virtual SampleArray read(int frames) = 0;
    // Gives a written piece back, so that its memory is used again.
    virtual void release(SampleArray &&block) = 0;
    // The join is done with the open row, whether it reached its end or not.
    virtual void close() = 0;
};
