#pragma once

#include <QString>
#include <QtGlobal>

// What tells one version of a file from another for the caches of what took a
// pass over it: its absolute path, size and modification time.
struct FileStamp {
    QString path;
    qint64 size = 0;
    qint64 modified = 0;

    static FileStamp of(const QString &fileName);
    // The same file, unchanged.
    bool operator==(const FileStamp &other) const = default;
};
