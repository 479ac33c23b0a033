#include "inputs/admissioncheck.h"

#include "audio/audiofile.h"
#include "audio/core/audioerror.h"
#include "platform/messages.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Why the file at path cannot even be opened, or empty when it can: gone, not
// a file of bytes (a pipe or device would be read without end), or not
// readable (its own permission, or a folder on its way that cannot be read).
QString unopenableReason(const QString &path)
{
    const QByteArray encoded = QFile::encodeName(path);
    struct stat status {};
    if (::stat(encoded.constData(), &status) != 0)
        return errno == ENOENT || errno == ENOTDIR ? Messages::kFileRemovedSuffix
                                                   : Messages::kCannotReadSuffix;
    if (!S_ISREG(status.st_mode))
        return Messages::kNotRegularFileSuffix;
    if (::access(encoded.constData(), R_OK) != 0)
        return Messages::kCannotReadSuffix;
    return {};
}

}  // namespace

AdmissionCheck AdmissionCheck::run(const QString &path, AudioFile &probe)
{
    AdmissionCheck check;
    if (const QString reason = unopenableReason(path); !reason.isEmpty()) {
        check.refusal = path + reason;
        return check;
    }
    if (probe.isOpen())
        probe.closeFile();
    try {
        probe.openFile(path, 0, 1);
    } catch (const AudioError &) {
        // The cause itself is not shown: the file is simply no audio to join.
        check.refusal = path + Messages::kInvalidAudioSuffix;
        probe.closeFile();
        return check;
    }
    if (probe.sampleCount() == 0) {
        check.refusal = path + Messages::kInvalidAudioSuffix;
        probe.closeFile();
        return check;
    }
    // The writers mix only the channel layouts they know; found here, not
    // once the join has written the files before it.
    if (!AudioFile::inputFormatSupported(probe.sampleRate(), probe.channels())) {
        check.refusal =
            Messages::kCannotJoinFormat.arg(path).arg(probe.channels()).arg(probe.sampleRate());
        probe.closeFile();
        return check;
    }
    check.durationMs = probe.duration();
    check.samples = probe.sampleCount();
    check.sampleRate = probe.sampleRate();
    probe.closeFile();
    return check;
}
