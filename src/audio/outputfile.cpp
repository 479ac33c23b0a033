#include "audio/outputfile.h"

#include "audio/audioerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kNameAttempts = 16;
// Leaves room for the dot, the tag and the suffix within the 255 bytes of a name.
constexpr qsizetype kMaxBaseBytes = 200;
constexpr int kTagDigits = 8;
constexpr QLatin1String kHiddenSuffix(".part");
constexpr mode_t kPermissionBits = S_IRWXU | S_IRWXG | S_IRWXO;

std::atomic<bool> g_unnamedFilesAllowed{true};

QByteArray encoded(const QString &path)
{
    return QFile::encodeName(path);
}

// ".name.XXXXXXXX.part" in the folder, XXXXXXXX a random tag in hex.
QString hiddenNameIn(const QString &folder, const QString &baseName)
{
    QString base = baseName;
    while (encoded(base).size() > kMaxBaseBytes)
        base.chop(1);
    const quint32 tag = QRandomGenerator::global()->generate();
    return folder + QLatin1String("/.") + base
           + QStringLiteral(".%1").arg(tag, kTagDigits, 16, QLatin1Char('0')) + kHiddenSuffix;
}

// Whether name is one hiddenNameIn makes.
bool isHiddenName(const QString &name)
{
    const qsizetype tagEnd = name.size() - kHiddenSuffix.size();
    const qsizetype tagStart = tagEnd - kTagDigits;
    // At least ".", one character of the base and "." before the tag.
    if (tagStart < 3 || !name.startsWith(QLatin1Char('.')) || !name.endsWith(kHiddenSuffix)
        || name[tagStart - 1] != QLatin1Char('.'))
        return false;
    for (qsizetype i = tagStart; i < tagEnd; ++i) {
        const char16_t digit = name[i].unicode();
        if (!((digit >= u'0' && digit <= u'9') || (digit >= u'a' && digit <= u'f')))
            return false;
    }
    return true;
}

// Whether path still names the file open as descriptor (a cleaner may have
// removed it, and another writer made a new file under the same name).
bool namesFile(const QByteArray &path, int descriptor)
{
    struct stat byName {};
    struct stat byDescriptor {};
    return ::lstat(path.constData(), &byName) == 0 && ::fstat(descriptor, &byDescriptor) == 0
           && S_ISREG(byDescriptor.st_mode) && byName.st_dev == byDescriptor.st_dev
           && byName.st_ino == byDescriptor.st_ino;
}

// A hidden file of ours is in use while its writer holds the lock on it (in
// this or any other process); a free one was left by a join that was killed.
void removeStaleHiddenFiles(const QString &folder)
{
    const QStringList names =
        QDir(folder).entryList({QLatin1String(".*") + kHiddenSuffix},
                               QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks);
    for (const QString &name : names) {
        if (!isHiddenName(name))
            continue;
        const QByteArray path = encoded(folder + QLatin1Char('/') + name);
        const int descriptor =
            ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (descriptor < 0)
            continue;
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0 && namesFile(path, descriptor))
            ::unlink(path.constData());
        ::close(descriptor);
    }
}

}  // namespace

void OutputFile::setUnnamedFilesAllowed(bool allowed)
{
    g_unnamedFilesAllowed = allowed;
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

    const QString folder = target.absolutePath();
    removeStaleHiddenFiles(folder);
    if (!createUnnamed(folder))
        createHidden(folder, target.fileName());
}

OutputFile::~OutputFile()
{
    // Removed while still locked, so no cleaner takes the name in between.
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
    // Locked from the start: the hidden name it takes during commit() must not
    // look stale. Nobody else can reach the file yet, so the lock is free; where
    // the file system has no locks, no cleaner can take one either.
    ::flock(descriptor, LOCK_EX | LOCK_NB);
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
        // A cleaner in another process may have found it before it was locked
        // (it then holds the lock, or has removed the name): take another.
        const bool taken = ::flock(descriptor, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        if (taken || !namesFile(name, descriptor)) {
            ::close(descriptor);
            continue;
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
