#include "inputs/partfolder.h"

#include <QFileInfo>
#include <QRegularExpression>

int PartFolder::number(const QString &name)
{
    static const QRegularExpression kPart(QStringLiteral("^(?:cd|dis[ck]|part)[ _.-]*(\\d{1,6})$"),
                                          QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = kPart.match(name);
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QStringList PartFolder::coverFolders(const QString &firstInput)
{
    if (firstInput.isEmpty())
        return {};
    const QFileInfo folder(QFileInfo(firstInput).absolutePath());
    QStringList folders{folder.absoluteFilePath()};
    if (number(folder.fileName()) >= 0)
        folders << folder.absolutePath();
    return folders;
}
