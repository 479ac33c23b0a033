#include "audio/framecountcache.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

// Plenty for any join list; beyond it the cache starts over rather than grow.
constexpr qsizetype kMaxEntries = 10000;

struct Entry {
    qint64 size = 0;
    qint64 modified = 0;
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

struct FileStamp {
    QString path;
    qint64 size;
    qint64 modified;
};

FileStamp stampOf(const QString &fileName)
{
    const QFileInfo info(fileName);
    return {info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch()};
}

}  // namespace

namespace FrameCountCache {

std::optional<qint64> find(const QString &fileName)
{
    const FileStamp stamp = stampOf(fileName);
    QMutexLocker lock(&cache().mutex);
    const auto found = cache().entries.constFind(stamp.path);
    if (found == cache().entries.constEnd() || found->size != stamp.size
        || found->modified != stamp.modified)
        return std::nullopt;
    return found->frameCount;
}

void store(const QString &fileName, qint64 frameCount)
{
    const FileStamp stamp = stampOf(fileName);
    QMutexLocker lock(&cache().mutex);
    if (cache().entries.size() >= kMaxEntries)
        cache().entries.clear();
    cache().entries.insert(stamp.path, Entry{stamp.size, stamp.modified, frameCount});
}

}  // namespace FrameCountCache
