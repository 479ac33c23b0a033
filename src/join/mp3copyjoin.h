#pragma once

#include "join/copyjoinparts.h"

#include <optional>

class Mp3CopyJoin {
public:
    explicit Mp3CopyJoin(const CopyJoinParts &parts);
    // None when no row can be copied: the join is then encoded as usual.
    std::optional<CopyJoinOutcome> run();

private:
    const CopyJoinParts &m_parts;
};
