#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QUrl;

// File names are bytes; the program names files by text. A name whose bytes
// are not valid UTF-8 decodes with replacement characters and encodes back to
// other bytes: the program cannot open that file by its text, and the text
// may even name another file that merely looks the same. Such names are found
// where their bytes are still at hand, and refused by their text.
namespace FileNameBytes {

// True when the text of raw gives raw back.
bool reachable(const QByteArray &raw);
// True when the local file a URL names is reached by the text toLocalFile gives.
bool reachable(const QUrl &url);
// The program's arguments (argv[1] on) that cannot be reached, as decoded text.
QStringList unreachableArguments(int argc, const char *const *argv);

}  // namespace FileNameBytes
