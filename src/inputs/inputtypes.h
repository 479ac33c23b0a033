#pragma once

#include <QString>
#include <QStringList>

// The kinds of input file the join list takes: the extensions the folder scan
// accepts (compared in lower case) and the open dialog's filter lines, the
// first of which lists them all.
namespace InputTypes {

struct Type {
    const char *filterLine;  // the open dialog's line for this type
    QStringList extensions;  // with the dot, lower case
};

const QList<Type> &types();
// Every accepted extension, in the order of the types.
QStringList extensions();
// True when the name ends in an accepted extension, in any case.
bool isAccepted(const QString &fileName);
// "All Supported Files (...)", then one line per type.
QStringList openDialogFilters();

}  // namespace InputTypes
