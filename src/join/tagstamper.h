#pragma once

#include <QString>

class AudioInformation;
struct TagValues;

// Writes the tag values into the joined file, whatever its format. A failure of
// the tag writer is not caught here: the rest of the join's final steps must
// not run either.
void StampTags(AudioInformation &information, const TagValues &values, const QString &outputPath);
