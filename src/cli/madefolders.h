#pragma once

#include <QString>
#include <QStringList>

// The folders a run makes for its output, and their removal when the run
// leaves nothing in them: a refused, failed or stopped join leaves no trace.
class MadeFolders {
public:
    // Makes folder with every missing folder above it; false (the user told
    // why, and nothing made left) when one cannot be made.
    bool make(const QString &folder);
    // Takes the folders made away again, deepest first, each only while empty:
    // whatever came into one meanwhile stays.
    void removeEmpty();

private:
    // Deepest first.
    QStringList m_made;
};
