#include "platform/apppaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

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
    return executableFolder() + QStringLiteral("/mp3enc.dll");
}

QString helpPage()
{
    return executableFolder() + QStringLiteral("/help/vantorel.html");
}

}  // namespace AppPaths
