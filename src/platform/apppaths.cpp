#include "platform/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// Where an installed program's files lie, from the folder of its executable.
const QString kInstalledFolder = QStringLiteral(VANTOREL_DATA_FROM_BIN);

QString programFile(const QString &executableFolder, const QString &relativePath)
{
    const QDir folder(executableFolder);
    QString beside = folder.filePath(relativePath);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed =
        QDir::cleanPath(folder.filePath(kInstalledFolder + QLatin1Char('/') + relativePath));
    return QFileInfo::exists(installed) ? installed : beside;
}

}  // namespace

namespace AppPaths {

QString executableFolder()
{
    return QCoreApplication::applicationDirPath();
}

QString settingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/vantorel.ini");
}

QString defaultOutputFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() ? QDir::homePath() + QStringLiteral("/Music") : music;
}

QString skinFile()
{
    return skinFile(executableFolder());
}

QString skinFile(const QString &executableFolder)
{
    return programFile(executableFolder, QStringLiteral("mp3enc.dll"));
}

QString helpPage()
{
    return helpPage(executableFolder());
}

QString helpPage(const QString &executableFolder)
{
    return programFile(executableFolder, QStringLiteral("help/vantorel.html"));
}

}  // namespace AppPaths
