#include "audio/encode/outputfile.h"

#include "audio/core/audioerror.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kNameAttempts = 16;
// Leaves room for the prefix, the tag and the suffix within the 255 bytes of a name.
constexpr qsizetype kMaxBaseBytes = 190;
constexpr int kTagDigits = 8;
// Whoever finds one left behind knows whose it is.
constexpr QLatin1String kHiddenPrefix("/.vantorel-");
constexpr QLatin1String kHiddenSuffix(".part");
constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;

std::atomic<bool> g_unnamedFilesAllowed{true};

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// ".vantorel-name.XXXXXXXX.part" in the folder, XXXXXXXX a random tag in hex.
QString hiddenNameIn(const QString &folder, const QString &baseName)
{
    QString base = baseName;
    while (encoded(base).size() > kMaxBaseBytes)
        base.chop(1);
    const quint32 tag = QRandomGenerator::global()->generate();
    return folder + kHiddenPrefix + base
           + QStringLiteral(".%1").arg(tag, kTagDigits, 16, QLatin1Char('0')) + kHiddenSuffix;
}

[[noreturn]] void refuse(const QString &target, const QString &cause)
{
    throw AudioError(QStringLiteral("Cannot write %1: %2").arg(target, cause));
}

// The file that writing to target would replace or create: a link is
// followed (to a file that may not exist yet); anything but a regular file is
// refused, and so is a link loop, before anything is written.
QFileInfo writtenFile(const QString &targetFileName)
{
    QFileInfo target(targetFileName);
    const QString shown = target.absoluteFilePath();
    if (target.fileName().isEmpty())
        refuse(shown, QStringLiteral("it is a folder"));
    struct stat status {};
    if (::stat(encoded(shown).constData(), &status) != 0) {
        const int error = errno;
        if (error == ELOOP)
            refuse(shown, QString::fromLocal8Bit(std::strerror(error)));
        // A link to a file not there yet creates that file; other failures
        // (no such folder, no permission) show when the file is created.
        if (target.isSymLink())
            return QFileInfo(target.symLinkTarget());
        return target;
    }
    if (S_ISDIR(status.st_mode))
        refuse(shown, QStringLiteral("it is a folder"));
    if (!S_ISREG(status.st_mode))
        refuse(shown, QStringLiteral("it is not a regular file"));
    return target.isSymLink() ? QFileInfo(target.canonicalFilePath()) : target;
}

}  // namespace

void OutputFile::setUnnamedFilesAllowed(bool allowed)
{
    g_unnamedFilesAllowed = allowed;
}

void OutputFile::checkTarget(const QString &targetFileName)
{
    static_cast<void>(writtenFile(targetFileName));
}

OutputFile::OutputFile(const QString &targetFileName)
{
    // A link is written through: the file it leads to is replaced, the link stays.
    const QFileInfo target = writtenFile(targetFileName);
    m_targetPath = target.absoluteFilePath();
    const QString folder = target.absolutePath();
    if (!createUnnamed(folder))
        createHidden(folder, target.fileName());
}

OutputFile::~OutputFile()
{
    if (!m_committed && !m_hiddenPath.isEmpty())
        ::unlink(encoded(m_hiddenPath).constData());
    closeDescriptor();
}

bool OutputFile::createUnnamed(const QString &folder)
{
    if (!g_unnamedFilesAllowed)
        return false;
    // Any refusal (no O_TMPFILE on this file system, but also an unwritable
    // folder) goes on to the hidden file, whose own error then says what is wrong.
    const int descriptor =
        ::open(encoded(folder).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    if (descriptor < 0)
        return false;
    const QString procPath = QStringLiteral("/proc/self/fd/%1").arg(descriptor);
    // Without /proc the file could be neither opened by the muxer nor named.
    if (::access(encoded(procPath).constData(), F_OK) != 0) {
        ::close(descriptor);
        return false;
    }
    m_descriptor = descriptor;
    m_temporaryPath = procPath;
    return true;
}

void OutputFile::createHidden(const QString &folder, const QString &baseName)
{
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        const QString path = hiddenNameIn(folder, baseName);
        const QByteArray name = encoded(path);
        // O_EXCL: never reuse or clobber an existing file; created with the
        // usual permissions (0666 less the umask), which a new target keeps.
        const int descriptor =
            ::open(name.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (descriptor < 0) {
            error = errno;
            if (error == EEXIST)
                continue;
            break;
        }
        m_descriptor = descriptor;
        m_temporaryPath = path;
        m_hiddenPath = path;
        return;
    }
    fail(QStringLiteral("Cannot create"), error);
}

QString OutputFile::linkUnderHiddenName(const QString &folder, const QString &baseName)
{
    const QByteArray source = encoded(m_temporaryPath);
    int error = EEXIST;
    for (int attempt = 0; attempt < kNameAttempts && error == EEXIST; ++attempt) {
        QString path = hiddenNameIn(folder, baseName);
        const QByteArray name = encoded(path);
        if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW)
            == 0)
            return path;
        error = errno;
    }
    fail(QStringLiteral("Cannot write"), error);
}

void OutputFile::keepTargetPermissions() const
{
    // Best effort: a file system without permissions (FAT) refuses, and the
    // new file then has what such a file system gives every file.
    struct stat old {};
    if (::stat(encoded(m_targetPath).constData(), &old) == 0)
        ::fchmod(m_descriptor, old.st_mode & kPermissionBits);
}

void OutputFile::flushToDisk() const
{
    // On the disk before it takes the target's name: a power cut right after
    // the rename must not leave an empty file where the old one was. EINVAL:
    // a file system that has nothing to flush.
    if (::fsync(m_descriptor) == 0)
        return;
    const int error = errno;
    if (error != EINVAL)
        fail(QStringLiteral("Cannot write"), error);
}

void OutputFile::closeDescriptor()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
    m_descriptor = -1;
}

void OutputFile::commit()
{
    // The target may have become something else while the file was written.
    checkTarget(m_targetPath);
    keepTargetPermissions();
    flushToDisk();
    const QFileInfo target(m_targetPath);
    // An unnamed file can only be linked in under a new name; it takes the
    // target's name by the same rename as a hidden file.
    if (m_hiddenPath.isEmpty())
        m_hiddenPath = linkUnderHiddenName(target.absolutePath(), target.fileName());
    // QFile::rename refuses an existing target; rename(2) replaces it atomically.
    const QByteArray from = encoded(m_hiddenPath);
    const QByteArray to = encoded(m_targetPath);
    if (std::rename(from.constData(), to.constData()) != 0) {
        const int error = errno;
        fail(QStringLiteral("Cannot write"), error);
    }
    m_committed = true;
    closeDescriptor();
}

void OutputFile::fail(const QString &action, int error) const
{
    throw AudioError(QStringLiteral("%1 %2: %3")
                         .arg(action, m_targetPath, QString::fromLocal8Bit(std::strerror(error))));
}
