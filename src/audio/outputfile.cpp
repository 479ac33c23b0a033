#include "audio/outputfile.h"

#include "audio/audioerror.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kNameAttempts = 16;
// Leaves room for the dot, the tag and ".part" within the 255 bytes of a name.
constexpr qsizetype kMaxBaseBytes = 200;

QString temporaryNameBeside(const QFileInfo &target)
{
    QString base = target.fileName();
    while (QFile::encodeName(base).size() > kMaxBaseBytes)
        base.chop(1);
    const quint32 tag = QRandomGenerator::global()->generate();
    return target.absolutePath() + QLatin1String("/.") + base
           + QStringLiteral(".%1.part").arg(tag, 8, 16, QLatin1Char('0'));
}

}  // namespace

void OutputFile::keepTargetPermissions() const
{
    if (QFileInfo::exists(m_targetPath))
        QFile::setPermissions(m_temporaryPath, QFile::permissions(m_targetPath));
}

void OutputFile::flushToDisk() const
{
    // On the disk before it takes the target's name: a power cut right after
    // the rename must not leave an empty file where the old one was.
    const int descriptor =
        ::open(QFile::encodeName(m_temporaryPath).constData(), O_RDONLY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

OutputFile::OutputFile(const QString &targetFileName)
{
    QFileInfo target(targetFileName);
    // A link is written through: the file it leads to is replaced, the link stays.
    if (target.isSymLink())
        target = QFileInfo(target.symLinkTarget());
    m_targetPath = target.absoluteFilePath();
    if (target.fileName().isEmpty() || target.isDir())
        throw AudioError(QStringLiteral("Cannot create %1: it is a folder").arg(m_targetPath));

    QString reason;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        QFile file(temporaryNameBeside(target));
        // NewOnly: never reuse or clobber an existing file; created with the
        // usual permissions (0666 less the umask), which the target inherits.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            m_temporaryPath = file.fileName();
            return;
        }
        reason = file.errorString();
        if (file.error() != QFileDevice::OpenError || !QFileInfo::exists(file.fileName()))
            break;
    }
    throw AudioError(QStringLiteral("Cannot create %1: %2").arg(m_targetPath, reason));
}

OutputFile::~OutputFile()
{
    if (!m_committed)
        QFile::remove(m_temporaryPath);
}

void OutputFile::commit()
{
    keepTargetPermissions();
    flushToDisk();
    // QFile::rename refuses an existing target; rename(2) replaces it atomically.
    if (std::rename(QFile::encodeName(m_temporaryPath).constData(),
                    QFile::encodeName(m_targetPath).constData())
        != 0) {
        const int error = errno;
        throw AudioError(QStringLiteral("Cannot write %1: %2")
                             .arg(m_targetPath, QString::fromLocal8Bit(std::strerror(error))));
    }
    m_committed = true;
}
