#pragma once

#include "audio/loudness/loudnessmeter.h"

#include <QString>

#include <optional>

// Remembers each file's measured loudness, so that joining the same list again
// does not measure it again. A file counts as unchanged while its size and
// modification time are; a measurement holds for the output channel count it
// was made for (LoudnessMeter). Safe to use from several threads.
namespace LoudnessCache {

std::optional<Loudness> find(const QString &fileName, int outputChannels);
void store(const QString &fileName, int outputChannels, const Loudness &loudness);

}  // namespace LoudnessCache
