#include "inputs/folderscan.h"

#include "inputs/inputtypes.h"
#include "inputs/naturalorder.h"
#include "platform/filenamebytes.h"
#include "platform/messages.h"

#include <QFile>
#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <cerrno>
#include <optional>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Entry {
    QString name;
    QByteArray raw;
    // False when the name's bytes do not come back from its text: opening
    // by the text would miss the file, or find another that looks the same.
    bool reachable() const { return FileNameBytes::reachable(raw); }
};

// Looked up by the name's own bytes, since its text may name another entry.
bool isFolderByBytes(const QString &base, const QByteArray &raw)
{
    struct stat status {};
    return ::stat((QFile::encodeName(base) + raw).constData(), &status) == 0
           && S_ISDIR(status.st_mode);
}

// The folder's entries by the bytes the system gives, or nothing when the
// folder cannot be listed to its end.
std::optional<QList<Entry>> listFolder(const QString &folder)
{
    const QByteArray encoded = QFile::encodeName(folder);
    if (::access(encoded.constData(), R_OK | X_OK) != 0)
        return std::nullopt;
    DIR *dir = ::opendir(encoded.constData());
    if (!dir)
        return std::nullopt;
    QList<Entry> entries;
    errno = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray raw(static_cast<const char *>(entry->d_name));
        if (raw != "." && raw != "..")
            entries.append({QFile::decodeName(raw), raw});
        errno = 0;
    }
    const bool complete = errno == 0;
    ::closedir(dir);
    if (!complete)
        return std::nullopt;
    std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return NaturalOrder::lessThan(a.name, b.name);
    });
    return entries;
}

}  // namespace

FolderScan::FolderScan(Visitor visitor) : m_visitor(std::move(visitor)) {}

void FolderScan::scanFolder(const QString &folder, bool recursive)
{
    m_activeFolders.clear();
    scan(folder, recursive);
}

void FolderScan::pumpTwice()
{
    if (m_visitor.pump) {
        m_visitor.pump();
        m_visitor.pump();
    }
}

void FolderScan::scan(const QString &folder, bool recursive)
{
    pumpTwice();
    const QString base = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
    const std::optional<QList<Entry>> entries = listFolder(base);
    if (!entries) {
        m_visitor.refuse(folder + Messages::kCannotReadSuffix);
        return;
    }
    const QString canonical = QFileInfo(base).canonicalFilePath();
    m_activeFolders.insert(canonical);
    for (const Entry &entry : *entries) {
        if (entry.name.startsWith(QLatin1Char('.')))
            continue;
        const QString path = base + entry.name;
        if (!entry.reachable()) {
            // Shown with its undecodable bytes replaced; never looked up by
            // that text, which may name another entry.
            const bool wanted =
                isFolderByBytes(base, entry.raw) ? recursive : InputTypes::isAccepted(entry.name);
            if (wanted)
                m_visitor.refuse(path + Messages::kNameNotUtf8Suffix);
            continue;
        }
        const QFileInfo info(path);
        if (info.isDir()) {
            // A folder is never a file to admit; it is entered or passed over.
            if (recursive && !m_activeFolders.contains(info.canonicalFilePath()))
                scan(path, recursive);
            continue;
        }
        if (InputTypes::isAccepted(entry.name) && m_visitor.admit(path))
            pumpTwice();
    }
    m_activeFolders.remove(canonical);
    if (m_visitor.folderFinished)
        m_visitor.folderFinished();
}
