#pragma once

#include "audio/core/filestamp.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QString>

#include <optional>

// What a pass over a whole file found out (its frame count, its loudness),
// kept while the file keeps its path, size and modification time. A value may
// hold only for one variant of the pass (the output channel count a loudness
// was measured for). Safe to use from several threads.
template <typename Value>
class StampedCache {
public:
    std::optional<Value> find(const QString &fileName, int variant = 0)
    {
        const FileStamp stamp = FileStamp::of(fileName);
        const QMutexLocker lock(&m_mutex);
        const auto found = m_entries.constFind(stamp.path);
        if (found == m_entries.constEnd() || found->stamp != stamp || found->variant != variant)
            return std::nullopt;
        return found->value;
    }

    void store(const QString &fileName, const Value &value, int variant = 0)
    {
        FileStamp stamp = FileStamp::of(fileName);
        const QMutexLocker lock(&m_mutex);
        // Plenty for any join list; beyond it the cache starts over rather than grow.
        if (m_entries.size() >= kMaxEntries)
            m_entries.clear();
        const QString path = stamp.path;
        m_entries.insert(path, Entry{std::move(stamp), variant, value});
    }

private:
    struct Entry {
        FileStamp stamp;
        int variant = 0;
        Value value;
    };

    static constexpr qsizetype kMaxEntries = 10000;
    QMutex m_mutex;
    QHash<QString, Entry> m_entries;
};
