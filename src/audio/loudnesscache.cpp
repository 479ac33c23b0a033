#include "audio/loudnesscache.h"

#include "audio/filestamp.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace {

// Plenty for any join list; beyond it the cache starts over rather than grow.
constexpr qsizetype kMaxEntries = 10000;

struct Entry {
    FileStamp stamp;
    int outputChannels = 0;
    Loudness loudness;
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

namespace LoudnessCache {

std::optional<Loudness> find(const QString &fileName, int outputChannels)
{
    const FileStamp stamp = FileStamp::of(fileName);
    QMutexLocker lock(&cache().mutex);
    const auto found = cache().entries.constFind(stamp.path);
    if (found == cache().entries.constEnd() || found->stamp != stamp
        || found->outputChannels != outputChannels)
        return std::nullopt;
    return found->loudness;
}

void store(const QString &fileName, int outputChannels, const Loudness &loudness)
{
    const FileStamp stamp = FileStamp::of(fileName);
    QMutexLocker lock(&cache().mutex);
    if (cache().entries.size() >= kMaxEntries)
        cache().entries.clear();
    cache().entries.insert(stamp.path, Entry{stamp, outputChannels, loudness});
}

}  // namespace LoudnessCache
