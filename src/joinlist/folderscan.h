#pragma once

#include <QSet>
#include <QString>

class JoinList;
class Tfm_main;

// Add Path: admits every audio file of a chosen folder, and of its sub-folders
// when the sub-folder switch is on, depth first where each sub-folder is met.
class FolderScan {
public:
    FolderScan(Tfm_main &main, JoinList &list);

    void AddPath();
    void ScanFolder(const QString &folder, bool recursive);

private:
    void scan(const QString &folder, bool recursive);
    static bool hasAcceptedExtension(const QString &name);

    Tfm_main &m_main;
    JoinList &m_list;
    // Folders being scanned right now, so that a link back up the tree cannot
    // make the scan endless.
    QSet<QString> m_activeFolders;
};
