#include "joinlist/folderscan.h"

#include "joinlist/inputtypes.h"

#include <QDirIterator>
#include <QFileInfo>

FolderScan::FolderScan(Visitor visitor) : m_visitor(std::move(visitor)) {}

void FolderScan::ScanFolder(const QString &folder, bool recursive)
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
    const QString canonical = QFileInfo(base).canonicalFilePath();
    m_activeFolders.insert(canonical);

    // The system's own order: nothing is sorted.
    QDirIterator entries(base,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (entries.hasNext()) {
        entries.next();
        const QFileInfo entry = entries.fileInfo();
        const QString name = entry.fileName();
        if (entry.isDir()) {
            // A folder is never a file to admit; it is entered or passed over.
            if (recursive && !name.startsWith(QLatin1Char('.'))
                && !m_activeFolders.contains(entry.canonicalFilePath()))
                scan(base + name, recursive);
            continue;
        }
        if (name.startsWith(QLatin1Char('.')) || !InputTypes::isAccepted(name))
            continue;
        if (m_visitor.admit(base + name))
            pumpTwice();
    }
    m_activeFolders.remove(canonical);
    if (m_visitor.folderFinished)
        m_visitor.folderFinished();
}
