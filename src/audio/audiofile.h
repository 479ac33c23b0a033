#pragma once

#include "audio/core/chapter.h"
#include "audio/core/samplearray.h"
#include "audio/tags/coverpicture.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>
#include <optional>

class LameEncoder;
struct OutputFormat;

// One audio file component: either reads (decodes) one input file, or writes
// (encodes) one output file in the format selected before CreateFile.
// Every failure throws AudioError.
class AudioFile {
public:
    AudioFile();
    ~AudioFile();
    AudioFile(const AudioFile &) = delete;
    AudioFile &operator=(const AudioFile &) = delete;

    // Reading.
    void openFile(const QString &fileName, int mode = 0, int flags = 1);
    SampleArray readSamples(int frameCount);
    // Gives a block back once it has been written or queued, so that the next
    // ReadSamples reuses its memory instead of allocating anew.
    void releaseSamples(SampleArray &&samples);

    // Writing.
    bool checkMp3Format(int sampleRate, int bitrate, int channels);
    bool checkOggFormat(int sampleRate, int channels, int bitrate, int maxBitrate, int minBitrate);
    bool checkFlacFormat(int sampleRate, int channels, int bitsPerSample, int compressionLevel);
    bool checkM4bFormat(int sampleRate, int channels, int bitrate);
    bool checkWmaFormat(int profile);
    void setInputFormat(int sampleRate, int channels);
    // Whether SetInputFormat takes this format: what an input may be to be joined.
    static bool inputFormatSupported(int sampleRate, int channels);
    void setWavFormat(int sampleRate, int channels, int bitsPerSample);
    void setMp3Encoder(const LameEncoder &encoder);
    void setOggFormat(int sampleRate, int channels, int bitrate, int maxBitrate, int minBitrate,
                      qint16 quality);
    void setWmaFormat(int profile);
    // FLAC: 16 or 24 bits per sample, compression level 0 (fastest) to 8 (smallest).
    void setFlacFormat(int sampleRate, int channels, int bitsPerSample, int compressionLevel);
    // M4B: AAC-LC at bitrate kbit/s in an MP4 file for audiobook players.
    void setM4bFormat(int sampleRate, int channels, int bitrate);
    void createFile(const QString &fileName, int mode = 0);
    void writeSamples(const SampleArray &samples);
    // The sample rate of the output being written, or before CreateFile of the
    // output the selected format will write; chapter frames count in it.
    int outputSampleRate() const;
    // The channel count the selected output format writes, known before CreateFile.
    int outputChannels() const;
    // Before CreateFile: the planned chapters (an MP3 keeps room for them). Then,
    // any time before CloseFile: the final ones. CloseFile stores the last list
    // given (see ChapterWriter); the next CreateFile starts without chapters.
    void setChapters(const ChapterList &chapters);
    // Before CreateFile: the cover the next output's tags will hold. MP3 holds
    // it in its tag from the start, M4B keeps room for it, so that neither the
    // chapters nor the tags stored later move the audio.
    void setCover(const std::optional<CoverPicture> &cover);
    // The output format selected for the next CreateFile.
    const OutputFormat &outputFormat() const;
    // The most chapters the selected output format can list.
    qsizetype maxChapters() const;

    // Both. A file being written is completed, lastStep (its tags) is done on
    // it, and only then does it take its name: see AudioEncoder::finish.
    void closeFile(const std::function<void(const QString &path)> &lastStep = {});
    // Drops the file being written without completing it: nothing of it is
    // left, and an existing file of the target's name stays as it was. A file
    // being read is closed.
    void abortFile();

    // Exact length in frames; still reports the file last opened after CloseFile.
    qint64 sampleCount() const;
    // Length in milliseconds.
    qint64 duration() const;
    bool isOpen() const;
    int blockAlign() const;
    int channels() const;
    int sampleRate() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
