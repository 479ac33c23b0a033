#pragma once

#include <QSet>
#include <QString>

#include <functional>

// Finds the audio files of a folder, and of its sub-folders when asked, in
// natural name order, each sub-folder entered where it falls in that order,
// and hands each to whoever admits them. Nothing that cannot be read is passed
// over in silence: a folder that cannot be listed and a name the program
// cannot open by are refused by name. No widgets: the command-line joiner
// scans folders the same way as the window.
class FolderScan {
public:
    struct Visitor {
        // Admits one file; true when it was taken.
        std::function<bool(const QString &path)> admit;
        // Lets pending window messages be processed (before each folder and
        // after each admitted file); may be empty.
        std::function<void()> pump;
        // A folder's files are all done; may be empty.
        std::function<void()> folderFinished;
        // Tells the user of a folder or file left out, the text naming it.
        std::function<void(const QString &text)> refuse;
    };

    explicit FolderScan(Visitor visitor);

    void scanFolder(const QString &folder, bool recursive);

private:
    void scan(const QString &folder, bool recursive);
    void pumpTwice();

    Visitor m_visitor;
    // Folders being scanned right now, so that a link back up the tree cannot
    // make the scan endless.
    QSet<QString> m_activeFolders;
};
