#include "fuzzinput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdlib>

namespace {

// Gone when the run ends, however many inputs it wrote.
struct ProcessFolder {
    ProcessFolder()
        : path(QDir::temp().filePath(
            QStringLiteral("vantorel-fuzz-%1").arg(QCoreApplication::applicationPid())))
    {
        QDir().mkpath(path);
    }
    ~ProcessFolder() { QDir(path).removeRecursively(); }
    ProcessFolder(const ProcessFolder &) = delete;
    ProcessFolder &operator=(const ProcessFolder &) = delete;

    QString path;
};

}  // namespace

QString FuzzInput::toFile(const std::uint8_t *data, std::size_t size, const QString &name)
{
    static const ProcessFolder folder;
    const QString path = folder.path + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
        std::abort();  // not the parser's fault, but no input may go untested
    return path;
}
