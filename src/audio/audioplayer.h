#pragma once

#include "audio/samplearray.h"

#include <QObject>

#include <memory>

// Plays queued sample arrays through the sound server, or, where there is no
// output device, through a silent output that consumes them at real-time pace.
// Its events reach the GUI thread as queued signals.
class AudioPlayer : public QObject {
    Q_OBJECT
public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    void SetFormat(int sampleRate, int channels);
    void LoadArray(const SampleArray &samples);
    void Play();
    void Stop();

signals:
    // A queued array has been played.
    void OnEndArrayPlay();
    // The player wants another array.
    void OnRequestOnLoadArray();
    // Output ran out after the empty array that marks the end.
    void OnEndPlay();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
