#pragma once

#include "audio/loudnessmeter.h"

#include <QString>

#include <optional>

// Remembers each file's measured loudness, so that joining the same list again
// does not measure it again. A file counts as unchanged while its size and
// modification time are. Safe to use from several threads.
namespace LoudnessCache {

std::optional<Loudness> find(const QString &fileName);
void store(const QString &fileName, const Loudness &loudness);

}  // namespace LoudnessCache
