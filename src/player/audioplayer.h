#pragma once

#include "audio/core/samplearray.h"

#include <QObject>

#include <memory>

// Plays queued sample arrays through the sound server, or, where there is no
// output device, through a silent output that consumes them at real-time pace.
// Its events reach the GUI thread as queued signals.
//
// Stop pauses: Play goes on exactly where the sound stopped, with what is still
// queued. SetFormat starts afresh and discards the queue. An empty array marks
// the end of the file: once everything before it has played, OnEndPlay comes
// once, and nothing queued after it is played or asks for more.
//
// Tests force the silent output with the environment variable
// VANTOREL_SILENT_AUDIO=1 (read whenever an output is opened).
class AudioPlayer : public QObject {
    Q_OBJECT
public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    // Throws AudioError for a rate or channel count that cannot be played; until
    // the next good SetFormat, LoadArray and Play then do nothing.
    void setFormat(int sampleRate, int channels);
    // Queues a copy of the array's whole frames.
    void loadArray(const SampleArray &samples);
    void play();
    void stop();

    // True when the output opened by Play is the silent one.
    bool isSilentOutput() const;

signals:
    // A queued array has been played (handed to the sound server, with a real
    // output).
    void onEndArrayPlay();
    // The player wants another array: the queue is low (under 0.2 s). Comes at
    // most once per array played.
    void onRequestOnLoadArray();
    // Output ran out after the empty array that marks the end.
    void onEndPlay();

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
