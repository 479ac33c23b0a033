#include "join/flaccopyjoin.h"

FlacCopyJoin::FlacCopyJoin(const CopyJoinParts &parts) : m_parts(parts) {}

std::optional<CopyJoinOutcome> FlacCopyJoin::run()
{
    return std::nullopt;
}
