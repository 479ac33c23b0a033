#include "audio/loudness/loudnesscache.h"

#include "audio/core/stampedcache.h"

namespace {

StampedCache<Loudness> &cache()
{
    static StampedCache<Loudness> instance;
    return instance;
}

}  // namespace

namespace LoudnessCache {

std::optional<Loudness> find(const QString &fileName, int outputChannels)
{
    return cache().find(fileName, outputChannels);
}

void store(const QString &fileName, int outputChannels, const Loudness &loudness)
{
    cache().store(fileName, loudness, outputChannels);
}

}  // namespace LoudnessCache
