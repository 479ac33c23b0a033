#pragma once

#include "audio/core/samplearray.h"

#include <vector>

// What is done to an input's decoded blocks before they are written: for now
// one constant gain per row, the loudness match's, never a gain that changes
// within a row. Decoding in turn and decoding ahead apply it to the same blocks
// with the same arithmetic, so both write the same output.
class BlockShaping {
public:
    // Leaves every block as it is.
    BlockShaping() = default;
    // The linear gain of each row, in list order; rows past the end keep their level.
    explicit BlockShaping(std::vector<float> rowGains);

    void apply(int row, SampleArray &block) const;

private:
    std::vector<float> m_rowGains;
};
