#pragma once

#include <QString>

// The file being written, kept without a name until it is complete, so that a
// join killed part-way (power cut, kill -9) leaves nothing behind and an
// existing target as it was.
//
// On Linux the file is created unnamed in the target's folder (O_TMPFILE);
// commit() links it in under a hidden name (".vantorel-name.XXXXXXXX.part")
// and renames that over the target in one step. Where the file system has no
// unnamed files (FUSE), the file is that hidden name from the start; a join
// killed there leaves it behind, and nothing here ever removes a file by its
// name: it could be somebody else's. Destroying the object without commit()
// leaves nothing either way. A target that is a link is written through the
// link; one that exists and is no regular file (a device, a FIFO, a socket, a
// folder) or a link loop is refused.
class OutputFile {
public:
    // Creates the empty file; throws AudioError naming the target when the
    // folder cannot be written.
    explicit OutputFile(const QString &targetFileName);

    // Throws AudioError naming the target when an existing target is no file
    // that may be replaced; nothing is touched.
    static void checkTarget(const QString &targetFileName);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    const QString &targetPath() const { return m_targetPath; }
    // A path by which this process can open the file being written, for
    // reading and writing (muxer, tag writers): "/proc/self/fd/N" for an
    // unnamed file, else the hidden file's path. Valid until commit() or
    // destruction, and only within this process.
    const QString &temporaryPath() const { return m_temporaryPath; }

    // Gives the file the target's name, replacing an existing target in one
    // step with the old target's permissions; throws AudioError.
    void commit();

    // Tests turn unnamed files off to reach the hidden-file way, which the
    // file systems they run on would never take otherwise.
    static void setUnnamedFilesAllowed(bool allowed);

private:
    bool createUnnamed(const QString &folder);
    void createHidden(const QString &folder, const QString &baseName);
    QString linkUnderHiddenName(const QString &folder, const QString &baseName);
    void keepTargetPermissions() const;
    void flushToDisk() const;
    void closeDescriptor();
    [[noreturn]] void fail(const QString &action, int error) const;

    QString m_targetPath;
    QString m_temporaryPath;
    // The name the file has in the folder while it is not the target's: the
    // hidden file from the start, or an unnamed file's name during commit().
    QString m_hiddenPath;
    // Keeps an unnamed file alive.
    int m_descriptor = -1;
    bool m_committed = false;
};
