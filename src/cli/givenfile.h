#pragma once

#include <QFile>
#include <QString>

// A file named on the command line to be read whole (settings, chapter
// titles): why it cannot be, before anything is written.
namespace GivenFile {
// Opens file for reading; the cause (missing, a folder, a device or pipe that
// may never end, the system's refusal) when it cannot be, else an empty text.
QString open(QFile &file);
}  // namespace GivenFile
