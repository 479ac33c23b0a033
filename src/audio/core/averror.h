#pragma once

class QString;

// libav's text for an error code, e.g. "Invalid data found when processing input".
QString avErrorText(int errorCode);

// Returns errorCode when it is not negative; otherwise throws AudioError naming
// the libav call, the file and libav's text for the code.
int avCheck(int errorCode, const char *call, const QString &fileName);
// The same for an encoder's and a muxer's calls, saying first in plain words
// what failed (AudioError::encoding, AudioError::writingAudio).
int avCheckEncoding(int errorCode, const char *call, const QString &fileName);
int avCheckWriting(int errorCode, const char *call, const QString &fileName);

// Returns pointer when it is not null; otherwise throws AudioError naming the
// allocating call, the file and the lack of memory. Every failed allocation in
// the audio components is raised this way.
template <typename T>
T *checkAllocated(T *pointer, const char *call, const QString &fileName);
[[noreturn]] void throwOutOfMemory(const char *call, const QString &fileName);

template <typename T>
T *checkAllocated(T *pointer, const char *call, const QString &fileName)
{
    if (!pointer)
        throwOutOfMemory(call, fileName);
    return pointer;
}
