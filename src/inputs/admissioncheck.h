#pragma once

#include <QString>
#include <QtGlobal>

class AudioFile;

// The check every file passes before it may be joined: it exists, is a
// regular file that can be read, opens as audio with samples in a format the
// writers can take. The join list admits a file into a row with it, and
// the command-line joiner checks its inputs with it, so that both refuse the
// same files with the same words.
struct AdmissionCheck {
    // Empty when the file passed; otherwise what the user is told: the path
    // followed by why the file was refused.
    QString refusal;
    qint64 durationMs = 0;
    qint64 samples = 0;  // SampleCount: the file's share of the join's 100 %
    int sampleRate = 0;  // the rate samples count in

    bool passed() const { return refusal.isEmpty(); }

    // Checks path with probe and leaves probe closed. Errors of the probe other
    // than a refused open (IsOpen, SampleCount, CloseFile) are not caught.
    static AdmissionCheck run(const QString &path, AudioFile &probe);
};
