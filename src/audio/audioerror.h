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
};
