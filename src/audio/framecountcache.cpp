#include "audio/framecountcache.h"

#include "audio/filestamp.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

// Plenty for any join list; beyond it the cache starts over rather than grow.
constexpr qsizetype kMaxEntries = 10000;

struct Entry {
    FileStamp stamp;
    qint64 frameCount = 0;
};

struct Cache {
    QMutex mutex;
    QHash<QString, Entry> entries;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

}  // namespace

namespace FrameCountCache {

std::optional<qint64> find(const QString &fileName)
{
    const FileStamp stamp = FileStamp::of(fileName);
    QMutexLocker lock(&cache().mutex);
    const auto found = cache().entries.constFind(stamp.path);
    if (found == cache().entries.constEnd() || found->stamp != stamp)
        return std::nullopt;
    return found->frameCount;
}

void store(const QString &fileName, qint64 frameCount)
{
    const FileStamp stamp = FileStamp::of(fileName);
    QMutexLocker lock(&cache().mutex);
    if (cache().entries.size() >= kMaxEntries)
        cache().entries.clear();
    cache().entries.insert(stamp.path, Entry{stamp, frameCount});
}

}  // namespace FrameCountCache
