#include "cli/madefolders.h"

#include "cli/clitexts.h"
#include "cli/console.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

bool MadeFolders::make(const QString &folder)
{
    QStringList missing;
    for (QString above = QFileInfo(folder).absoluteFilePath(); !QFileInfo::exists(above);
         above = QFileInfo(above).absolutePath())
        missing.prepend(above);
    for (const QString &each : std::as_const(missing)) {
        if (::mkdir(QFile::encodeName(each).constData(), 0777) != 0) {
            const int error = errno;
            Console::printError(CliTexts::kCannotCreateFolder.arg(
                each, QString::fromLocal8Bit(std::strerror(error))));
            removeEmpty();
            return false;
        }
        m_made.prepend(each);
    }
    return true;
}

void MadeFolders::removeEmpty()
{
    for (const QString &folder : std::as_const(m_made))
        QDir().rmdir(folder);
    m_made.clear();
}
