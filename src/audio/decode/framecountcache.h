#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Remembers the frame counts that took a pass over a file, so that the second
// opening of the same unchanged file (admission first, the join later) does
// not pay for it again. A file counts as unchanged while its size and
// modification time are.
namespace FrameCountCache {

std::optional<qint64> find(const QString &fileName);
void store(const QString &fileName, qint64 frameCount);

}  // namespace FrameCountCache
