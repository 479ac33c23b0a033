#include "platform/filenamebytes.h"

#include <QFile>
#include <QUrl>

namespace FileNameBytes {

bool reachable(const QByteArray &raw)
{
    return QFile::encodeName(QFile::decodeName(raw)) == raw;
}

bool reachable(const QUrl &url)
{
    // The encoded path keeps the bytes that its decoded text has lost.
    const QByteArray raw = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    return QFile::encodeName(url.toLocalFile()) == raw;
}

QStringList unreachableArguments(int argc, const char *const *argv)
{
    QStringList names;
    for (int i = 1; i < argc; ++i) {
        const QByteArray raw(argv[i]);
        if (!reachable(raw))
            names << QFile::decodeName(raw);
    }
    return names;
}

}  // namespace FileNameBytes
