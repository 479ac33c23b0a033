#include "joinlist/admissioncheck.h"

#include "audio/audioerror.h"
#include "audio/audiofile.h"
#include "platform/messages.h"

#include <QFileInfo>

AdmissionCheck AdmissionCheck::run(const QString &path, AudioFile &probe)
{
    AdmissionCheck check;
    if (!QFileInfo(path).isFile()) {
        check.refusal = path + Messages::kFileRemovedSuffix;
        return check;
    }
    if (probe.IsOpen())
        probe.CloseFile();
    try {
        probe.OpenFile(path, 0, 1);
    } catch (const AudioError &) {
        // The cause itself is not shown: the file is simply no audio to join.
        check.refusal = path + Messages::kInvalidAudioSuffix;
        probe.CloseFile();
        return check;
    }
    if (probe.SampleCount() == 0) {
        check.refusal = path + Messages::kInvalidAudioSuffix;
        probe.CloseFile();
        return check;
    }
    check.durationMs = probe.Duration();
    check.samples = probe.SampleCount();
    check.sampleRate = probe.SampleRate();
    probe.CloseFile();
    return check;
}
