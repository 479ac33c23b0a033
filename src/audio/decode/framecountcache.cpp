#include "audio/decode/framecountcache.h"

#include "audio/core/stampedcache.h"

namespace {

StampedCache<qint64> &cache()
{
    static StampedCache<qint64> instance;
    return instance;
}

}  // namespace

namespace FrameCountCache {

std::optional<qint64> find(const QString &fileName)
{
    return cache().find(fileName);
}

void store(const QString &fileName, qint64 frameCount)
{
    cache().store(fileName, frameCount);
}

}  // namespace FrameCountCache
