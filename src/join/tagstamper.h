#pragma once

#include <QString>

class AudioInformation;
struct TagValues;

// Writes the tag values into the joined file, whatever its format. A failure of
// the tag writer is not caught here: the rest of the join's final steps must
// not run either. path reaches the file; outputPath names it in messages.
// False when the file cannot hold tags (see AudioInformation::WriteTags).
bool stampTags(AudioInformation &information, const TagValues &values, const QString &path,
               const QString &outputPath);
