#pragma once

#include "audio/core/chapter.h"
#include "audio/core/samplearray.h"

#include <QString>
#include <QtGlobal>

#include <functional>
#include <memory>

class LameEncoder;

// One audio file component: either reads (decodes) one input file, or writes
// (encodes) one output file in the format selected before CreateFile.
// Every failure throws AudioError.
class AudioFile {
public:
    AudioFile();
    ~AudioFile();
    AudioFile(const AudioFile &) = delete;
    AudioFile &operator=(const AudioFile &) = delete;

    // Set once at start-up; nothing depends on it.
    void SetOptionFlag(bool flag);

    // Reading.
    void OpenFile(const QString &fileName, int mode = 0, int flags = 1);
    int Seek(int position, int origin);
    SampleArray ReadSamples(int frameCount);
    // Gives a block back once it has been written or queued, so that the next
    // ReadSamples reuses its memory instead of allocating anew.
    void ReleaseSamples(SampleArray &&samples);

    // Writing.
    bool CheckMp3Format(int sampleRate, int bitrate, int channels);
    bool CheckOggFormat(int sampleRate, int channels, int bitrate, int maxBitrate, int minBitrate);
    bool CheckFlacFormat(int sampleRate, int channels, int bitsPerSample, int compressionLevel);
    bool CheckM4bFormat(int sampleRate, int channels, int bitrate);
    bool CheckWmaFormat(int profile);
    void SetInputFormat(int sampleRate, int channels);
    // Whether SetInputFormat takes this format: what an input may be to be joined.
    static bool InputFormatSupported(int sampleRate, int channels);
    void SetWavFormat(int sampleRate, int channels, int bitsPerSample);
    void SetMp3Encoder(const LameEncoder &encoder);
    void SetOggFormat(int sampleRate, int channels, int bitrate, int maxBitrate, int minBitrate,
                      qint16 quality);
    void SetWmaFormat(int profile);
    // FLAC: 16 or 24 bits per sample, compression level 0 (fastest) to 8 (smallest).
    void SetFlacFormat(int sampleRate, int channels, int bitsPerSample, int compressionLevel);
    // M4B: AAC-LC at bitrate kbit/s in an MP4 file for audiobook players.
    void SetM4bFormat(int sampleRate, int channels, int bitrate);
    void CreateFile(const QString &fileName, int mode = 0);
    void WriteSamples(const SampleArray &samples);
    // The sample rate of the output being written, or before CreateFile of the
    // output the selected format will write; chapter frames count in it.
    int OutputSampleRate() const;
    // The channel count the selected output format writes, known before CreateFile.
    int OutputChannels() const;
    // Before CreateFile: the planned chapters (an MP3 keeps room for them). Then,
    // any time before CloseFile: the final ones. CloseFile stores the last list
    // given (see ChapterWriter); the next CreateFile starts without chapters.
    void SetChapters(const ChapterList &chapters);
    // The most chapters the selected output format can list.
    qsizetype MaxChapters() const;

    // Both. A file being written is completed, lastStep (its tags) is done on
    // it, and only then does it take its name: see AudioEncoder::finish.
    void CloseFile(const std::function<void(const QString &path)> &lastStep = {});
    // Drops the file being written without completing it: nothing of it is
    // left, and an existing file of the target's name stays as it was. A file
    // being read is closed.
    void AbortFile();

    // Exact length in frames; still reports the file last opened after CloseFile.
    qint64 SampleCount() const;
    // Length in milliseconds.
    qint64 Duration() const;
    bool IsOpen() const;
    int BlockAlign() const;
    int Channels() const;
    int SampleRate() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};
