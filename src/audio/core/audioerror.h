#pragma once

#include <stdexcept>
#include <string>

class QString;

// Every failure of an audio component: what() names the file and the cause.
class AudioError : public std::runtime_error {
public:
    explicit AudioError(const QString &text);
    explicit AudioError(const std::string &text);

    // A failed write into an existing file: "Cannot write <what> to "<name>": <cause>".
    static AudioError writing(const QString &what, const QString &fileName, const QString &cause);

    // What an encoder or a file call failed at, in plain words, then the call:
    // "<name>: could not encode the audio (<call> failed: <cause>)".
    static AudioError encoding(const QString &fileName, const char *call, const QString &cause);
    // "<name>: could not write the file (<call> failed: <cause>)".
    static AudioError writingAudio(const QString &fileName, const char *call, const QString &cause);
};
