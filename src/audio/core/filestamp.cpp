#include "audio/core/filestamp.h"

#include <QDateTime>
#include <QFileInfo>

FileStamp FileStamp::of(const QString &fileName)
{
    const QFileInfo info(fileName);
    return {info.absoluteFilePath(), info.size(), info.lastModified().toMSecsSinceEpoch()};
}
