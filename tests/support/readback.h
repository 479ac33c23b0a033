#pragma once

#include "audio/core/samplearray.h"

#include <QString>

// Every sample of a file as the program's own reader gives it, interleaved:
// what a join's output holds, read the way the program reads its inputs.
SampleArray readBack(const QString &path);
