#pragma once

#include <QByteArray>
#include <QString>

#include <taglib/tiostream.h>

// The file TagLib reads and rewrites when it saves tags or chapters, checking
// every write. TagLib's own stream drops a failed write silently, so a full
// disk left a truncated file behind a save reported as done; here the first
// failure is kept, for the caller to report after the save.
class CheckedFileStream : public TagLib::IOStream {
public:
    explicit CheckedFileStream(const QString &path);
    ~CheckedFileStream() override;
    CheckedFileStream(const CheckedFileStream &) = delete;
    CheckedFileStream &operator=(const CheckedFileStream &) = delete;

    // Why opening, a read or a write failed first ("No space left on device");
    // empty while all went well.
    QString failure() const;
    // The failure if there was one, else otherwise when ok is false, else empty:
    // a failed write is named before TagLib's own verdict, which reports a
    // save as done whatever its writes did.
    QString failureOr(bool ok, const QString &otherwise) const;

    TagLib::FileName name() const override;
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector &data) override;
    void insert(const TagLib::ByteVector &data, unsigned long start = 0,
                unsigned long replace = 0) override;
    void removeBlock(unsigned long start = 0, unsigned long length = 0) override;
    bool readOnly() const override { return false; }
    bool isOpen() const override { return m_descriptor >= 0; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return m_position; }
    long length() override;
    void truncate(long length) override;

private:
    // The bytes read, fewer at the end of the file or on a failure (kept).
    long readUpTo(long offset, char *data, long size);
    bool readAt(long offset, char *data, long size);
    bool writeAt(long offset, const char *data, long size);
    // Moves the bytes from `from` to the end of the file by `by` bytes (either way).
    bool moveTail(long from, long by);
    void remember(int error);

    QByteArray m_path;
    int m_descriptor = -1;
    long m_position = 0;
    int m_error = 0;
};
