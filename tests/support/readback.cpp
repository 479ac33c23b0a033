#include "support/readback.h"

#include "audio/audiofile.h"

SampleArray readBack(const QString &path)
{
    AudioFile reader;
    reader.openFile(path, 0, 1);
    SampleArray audio;
    for (SampleArray block; !(block = reader.readSamples(1 << 16)).empty();)
        audio.insert(audio.end(), block.begin(), block.end());
    return audio;
}
