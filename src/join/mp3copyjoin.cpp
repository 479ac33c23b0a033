#include "join/mp3copyjoin.h"

Mp3CopyJoin::Mp3CopyJoin(const CopyJoinParts &parts) : m_parts(parts) {}

std::optional<CopyJoinOutcome> Mp3CopyJoin::run()
{
    return std::nullopt;
}
