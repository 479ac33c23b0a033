#pragma once

#include <QString>
#include <QStringList>

// The folders of a book ripped in parts: "CD1", "CD 2", "cd_3", "Disc 3",
// "Disk 2", "Part 4" (any case) hold a part each, their book's folder above.
class PartFolder {
public:
    // The number of a part folder's name, or -1 for any other name.
    static int number(const QString &name);
    // Where a book's cover picture file may lie, nearest first: the folder of
    // its first input and, when that is a part folder, the book's folder
    // above it. Empty for no input.
    static QStringList coverFolders(const QString &firstInput);
};
