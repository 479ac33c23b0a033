#include "join/spoolfile.h"

#include "audio/core/audioerror.h"

#include <QFile>
#include <QTemporaryFile>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {
// The most a join keeps aside on disk: some minutes of any input.
constexpr qint64 kCapacityBytes = qint64(1) << 30;
// How far the file may run on with holes before the join has taken all of it
// and it starts again; well within what any file system allows.
constexpr qint64 kMaxExtentBytes = qint64(64) << 30;

qint64 bytesOf(std::size_t sampleCount)
{
    return qint64(sampleCount) * qint64(sizeof(float));
}
}  // namespace

SpoolFile::SpoolFile(const QString &folder) : m_folder(folder) {}

SpoolFile::~SpoolFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

bool SpoolFile::create()
{
    const QByteArray folder = QFile::encodeName(m_folder);
    m_descriptor = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_descriptor >= 0)
        return true;
    // Without O_TMPFILE: a named file, whose name goes at once (with named,
    // removed as it closes; the copy of its descriptor stays open).
    QTemporaryFile named(m_folder + QStringLiteral("/.vantorel-spool-XXXXXX"));
    if (!named.open())
        return false;
    m_descriptor = ::fcntl(named.handle(), F_DUPFD_CLOEXEC, 0);
    return m_descriptor >= 0;
}

std::optional<qint64> SpoolFile::append(const SampleArray &samples)
{
    const qint64 bytes = bytesOf(samples.size());
    const qint64 extent = m_holes ? kMaxExtentBytes : kCapacityBytes;
    if (m_broken || m_kept + bytes > kCapacityBytes || m_end + bytes > extent)
        return std::nullopt;
    if (m_descriptor < 0 && !create()) {
        m_broken = true;
        return std::nullopt;
    }
    const auto *data = reinterpret_cast<const char *>(samples.data());
    for (qint64 done = 0; done < bytes;) {
        const ssize_t written =
            ::pwrite(m_descriptor, data + done, size_t(bytes - done), off_t(m_end + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_broken = true;
            return std::nullopt;
        }
        done += written;
    }
    const qint64 offset = m_end;
    m_end += bytes;
    m_kept += bytes;
    return offset;
}

void SpoolFile::readBack(qint64 offset, SampleArray &samples) const
{
    const qint64 bytes = bytesOf(samples.size());
    auto *data = reinterpret_cast<char *>(samples.data());
    for (qint64 done = 0; done < bytes;) {
        const ssize_t read =
            ::pread(m_descriptor, data + done, size_t(bytes - done), off_t(offset + done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0) {
            const QString cause = read < 0 ? QString::fromLocal8Bit(std::strerror(errno))
                                           : QStringLiteral("the file ended early");
            throw AudioError(QStringLiteral("Cannot read back the audio decoded ahead, kept in "
                                            "a file in %1: %2")
                                 .arg(m_folder, cause));
        }
        done += read;
    }
}

void SpoolFile::release(qint64 offset, std::size_t sampleCount)
{
    const qint64 bytes = bytesOf(sampleCount);
    m_kept -= bytes;
    // Also keeps the pages from being written out to the disk in a long join.
    if (m_holes
        && ::fallocate(m_descriptor, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, off_t(offset),
                       off_t(bytes))
               != 0)
        m_holes = false;
}

void SpoolFile::rewind()
{
    m_end = 0;
    m_kept = 0;
}
