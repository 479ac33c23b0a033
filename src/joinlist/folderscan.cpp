#include "joinlist/folderscan.h"

#include "app/tfm_main.h"
#include "joinlist/joinlist.h"
#include "settings/settings.h"
#include "settings/tfm_dir.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>

namespace {
const QStringList kAcceptedExtensions = {QStringLiteral(".wav"), QStringLiteral(".mp3"),
                                         QStringLiteral(".ogg"), QStringLiteral(".wma")};

void pumpMessagesTwice()
{
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}
}  // namespace

FolderScan::FolderScan(Tfm_main &main, JoinList &list) : m_main(main), m_list(list) {}

void FolderScan::AddPath()
{
    BusyState &busy = m_main.busy();
    if (busy.joinBusy() || busy.Playing || busy.Adding)
        return;
    Tfm_dir &dialog = m_main.fm_dir();
    dialog.setAction(QString());
    dialog.setAction(QStringLiteral("Please select the folder you want to add."));
    dialog.setWindowTitle(QStringLiteral("Open Folder"));
    dialog.showSubFolderSwitch();
    m_main.showDialog(dialog);
    const QString folder = dialog.result();
    if (folder.isEmpty())
        return;
    m_list.runAdmission([&] {
        const bool recursive = m_main.settings().readSwitch(
            QStringLiteral("basic"), QStringLiteral("enable sub dir"), false);
        ScanFolder(folder, recursive);
    });
}

void FolderScan::ScanFolder(const QString &folder, bool recursive)
{
    m_activeFolders.clear();
    scan(folder, recursive);
}

bool FolderScan::hasAcceptedExtension(const QString &name)
{
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && kAcceptedExtensions.contains(name.mid(dot).toLower());
}

void FolderScan::scan(const QString &folder, bool recursive)
{
    pumpMessagesTwice();
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
        if (name.startsWith(QLatin1Char('.')) || !hasAcceptedExtension(name))
            continue;
        if (m_list.AdmitFile(base + name, m_main.AudioFileRead()))
            pumpMessagesTwice();
    }
    m_activeFolders.remove(canonical);
    m_list.ShowTotalTime();
}
