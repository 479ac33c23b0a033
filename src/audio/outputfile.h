#pragma once

#include <QString>

// A hidden temporary file beside the target ("./.name.XXXXXX.part" in the
// target's folder, so the final rename stays on one file system). commit()
// renames it over the target in one step; until then an existing target is
// untouched, and destroying the object without commit() removes the temporary.
// A target that is a link is written through the link.
class OutputFile {
public:
    // Creates the empty temporary; throws AudioError naming the target when the
    // folder cannot be written.
    explicit OutputFile(const QString &targetFileName);
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    const QString &targetPath() const { return m_targetPath; }
    const QString &temporaryPath() const { return m_temporaryPath; }

    // Replaces the target with the temporary (rename(2)); throws AudioError.
    void commit();

private:
    void keepTargetPermissions() const;
    void flushToDisk() const;

    QString m_targetPath;
    QString m_temporaryPath;
    bool m_committed = false;
};
