#pragma once

#include "audio/core/lameencoder.h"
#include "audio/encode/lamesetup.h"
#include "audio/encode/mp3infoframe.h"

#include <QFile>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

// Writes an MP3 file with LAME itself (libavcodec's wrapper cannot give VBR a
// maximum bit rate): an ID3v2 tag with room for the tags stamped later, the
// Xing/LAME header frame (length, encoder delay and padding), then the audio.
// It takes planar float samples at the settings' sample rate and channels.
struct CoverPicture;

class LameMp3Writer {
public:
    // Configures LAME and opens path (an existing empty file); throws
    // AudioError naming fileName when LAME refuses the settings or the file
    // cannot be written. extraTagRoom: bytes the tag keeps besides its own room
    // (for chapters announced before the file is written); cover: held in the
    // tag from the start (see id3TagRoom).
    LameMp3Writer(const LameEncoder &settings, const QString &path, const QString &fileName,
                  int extraTagRoom = 0, const CoverPicture *cover = nullptr);
    ~LameMp3Writer();
    LameMp3Writer(const LameMp3Writer &) = delete;
    LameMp3Writer &operator=(const LameMp3Writer &) = delete;

    int sampleRate() const { return m_sampleRate; }
    int channels() const { return m_channels; }
    // Samples per channel in one MP3 frame.
    int frameSize() const { return m_frameSize; }

    // right is not read for mono.
    void encode(const float *left, const float *right, int frames);
    // Flushes LAME, completes the header frame and closes the file.
    void finish();

private:
    // What the set-up LAME tells of its frames; the header frame to write where its own cannot hold it.
    void configure(const LameEncoder &settings);
    void writeTagRoom(const CoverPicture *cover);
    void writeAudio(int bytes);
    void writeHeaderFrame();
    void put(const char *data, qint64 size);
    [[noreturn]] void fail(const char *call, const QString &cause) const;
    [[noreturn]] void failWriting(const char *call) const;

    QString m_fileName;
    LamePtr m_lame;
    int m_sampleRate = 0;
    int m_channels = 0;
    int m_frameSize = 0;
    QFile m_file;
    int m_tagRoom = 0;
    qint64 m_audioStart = 0;
    std::vector<unsigned char> m_buffer;
    // Only where LAME leaves its header frame out: the one written instead,
    // and what it records about the audio.
    std::optional<Mp3InfoFrame> m_infoFrame;
    Mp3InfoFrame::Stream m_stream;
};
