#include "audio/core/checkedfilestream.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// Bytes moved at a time when TagLib grows or shrinks a tag in the middle of a file.
constexpr long kMoveChunk = 1 << 20;

}  // namespace

CheckedFileStream::CheckedFileStream(const QString &path) : m_path(QFile::encodeName(path))
{
    m_descriptor = ::open(m_path.constData(), O_RDWR | O_CLOEXEC);
    if (m_descriptor < 0)
        remember(errno);
}

CheckedFileStream::~CheckedFileStream()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

void CheckedFileStream::remember(int error)
{
    if (m_error == 0)
        m_error = error;
}

QString CheckedFileStream::failure() const
{
    return m_error == 0 ? QString() : QString::fromLocal8Bit(std::strerror(m_error));
}

QString CheckedFileStream::failureOr(bool ok, const QString &otherwise) const
{
    if (m_error != 0)
        return failure();
    return ok ? QString() : otherwise;
}

TagLib::FileName CheckedFileStream::name() const
{
    return m_path.constData();
}

long CheckedFileStream::readUpTo(long offset, char *data, long size)
{
    long done = 0;
    while (done < size) {
        const ssize_t got =
            ::pread(m_descriptor, data + done, std::size_t(size - done), off_t(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            remember(errno);
        if (got <= 0)
            break;
        done += got;
    }
    return done;
}

bool CheckedFileStream::readAt(long offset, char *data, long size)
{
    return readUpTo(offset, data, size) == size;
}

bool CheckedFileStream::writeAt(long offset, const char *data, long size)
{
    if (m_descriptor < 0)
        return false;
    long done = 0;
    while (done < size) {
        const ssize_t put =
            ::pwrite(m_descriptor, data + done, std::size_t(size - done), off_t(offset + done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            remember(put < 0 ? errno : EIO);
            return false;
        }
        done += put;
    }
    return true;
}

TagLib::ByteVector CheckedFileStream::readBlock(unsigned long length)
{
    if (m_descriptor < 0 || length == 0)
        return {};
    const long wanted = std::min(long(length), std::max(0L, this->length() - m_position));
    TagLib::ByteVector block(static_cast<unsigned>(wanted), '\0');
    const long done = readUpTo(m_position, block.data(), wanted);
    block.resize(static_cast<unsigned>(done));
    m_position += done;
    return block;
}

void CheckedFileStream::writeBlock(const TagLib::ByteVector &data)
{
    if (writeAt(m_position, data.data(), long(data.size())))
        m_position += long(data.size());
}

bool CheckedFileStream::moveTail(long from, long by)
{
    const long end = length();
    if (by == 0 || from >= end)
        return true;
    std::vector<char> buffer(std::size_t(std::min(kMoveChunk, end - from)));
    if (by > 0) {
        // Growing: from the end backwards, so nothing is overwritten before it is moved.
        for (long chunkEnd = end; chunkEnd > from;) {
            const long chunkStart = std::max(from, chunkEnd - kMoveChunk);
            const long size = chunkEnd - chunkStart;
            if (!readAt(chunkStart, buffer.data(), size)
                || !writeAt(chunkStart + by, buffer.data(), size))
                return false;
            chunkEnd = chunkStart;
        }
        return true;
    }
    for (long chunkStart = from; chunkStart < end;) {
        const long size = std::min(kMoveChunk, end - chunkStart);
        if (!readAt(chunkStart, buffer.data(), size)
            || !writeAt(chunkStart + by, buffer.data(), size))
            return false;
        chunkStart += size;
    }
    return true;
}

void CheckedFileStream::insert(const TagLib::ByteVector &data, unsigned long start,
                               unsigned long replace)
{
    if (m_descriptor < 0)
        return;
    const long grow = long(data.size()) - long(replace);
    if (grow < 0) {
        removeBlock(start + data.size(), static_cast<unsigned long>(-grow));
    } else if (!moveTail(long(start + replace), grow)) {
        return;
    }
    if (writeAt(long(start), data.data(), long(data.size())))
        m_position = long(start + data.size());
}

void CheckedFileStream::removeBlock(unsigned long start, unsigned long length)
{
    if (m_descriptor < 0 || length == 0)
        return;
    const long end = this->length();
    if (!moveTail(long(start + length), -long(length)))
        return;
    truncate(std::max(long(start), end - long(length)));
}

void CheckedFileStream::seek(long offset, Position p)
{
    switch (p) {
    case Beginning:
        m_position = offset;
        break;
    case Current:
        m_position += offset;
        break;
    case End:
        m_position = length() + offset;
        break;
    }
    m_position = std::max(0L, m_position);
}

long CheckedFileStream::length()
{
    struct stat status {};
    if (m_descriptor < 0 || ::fstat(m_descriptor, &status) != 0)
        return 0;
    return long(status.st_size);
}

void CheckedFileStream::truncate(long length)
{
    if (m_descriptor >= 0 && ::ftruncate(m_descriptor, off_t(length)) != 0)
        remember(errno);
}
