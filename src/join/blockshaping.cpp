#include "join/blockshaping.h"

#include <cstddef>
#include <utility>

BlockShaping::BlockShaping(std::vector<float> rowGains) : m_rowGains(std::move(rowGains)) {}

void BlockShaping::apply(int row, SampleArray &block) const
{
    if (row < 0 || std::size_t(row) >= m_rowGains.size())
        return;
    const float gain = m_rowGains[std::size_t(row)];
    if (gain == 1.0f)
        return;
    for (float &sample : block)
        sample *= gain;
}
