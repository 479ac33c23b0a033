#include "support/soundserver.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <pwd.h>
#include <unistd.h>

namespace {

QString accountHome()
{
    const passwd *entry = getpwuid(getuid());
    return entry && entry->pw_dir ? QString::fromLocal8Bit(entry->pw_dir) : QString();
}

bool socketExists(const QString &path)
{
    return QFileInfo::exists(path);
}

}  // namespace

bool findUserSoundServer()
{
    if (qEnvironmentVariableIsSet("PULSE_SERVER"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && socketExists(runtime + QStringLiteral("/pulse/native")))
        return true;
    const QString home = accountHome();
    if (home.isEmpty())
        return false;
    const QDir pulseConfig(home + QStringLiteral("/.config/pulse"));
    const QStringList links =
        pulseConfig.entryList({QStringLiteral("*-runtime")}, QDir::AllEntries | QDir::System);
    for (const QString &link : links) {
        const QString socket =
            QFileInfo(pulseConfig.filePath(link)).canonicalFilePath() + QStringLiteral("/native");
        if (socketExists(socket)) {
            qputenv("PULSE_SERVER", QByteArray("unix:") + socket.toLocal8Bit());
            return true;
        }
    }
    return false;
}
