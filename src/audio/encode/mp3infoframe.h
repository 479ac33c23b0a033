#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <array>
#include <cstddef>

// The Xing frame with LAME's extension ("Info" for a constant bit rate):
// decoders take the length and the gapless trim (encoder delay and end
// padding) from it. LAME writes this frame itself, except where one frame at
// the stream's bit rate is too small to hold it (the lowest rates of each
// sample rate); the writer puts this one in its place there, in a frame of a
// higher bit rate, which decoders take as they take any Info frame.
class Mp3InfoFrame {
public:
    // What the frame records about the stream that follows it.
    struct Stream {
        std::array<quint8, 4> firstHeader{};  // header of the first audio frame
        qint64 frames = 0;                    // audio frames, this one not counted
        qint64 audioBytes = 0;                // bytes of the audio frames
        int bitrate = 0;                      // kbit/s
        int delay = 0;                        // encoder delay, samples
        int padding = 0;                      // samples added after the audio
        quint16 audioCrc = 0;                 // CRC-16 of the audio frames
        // The seek table of a stream whose frames differ in bit rate (100
        // bytes, "Xing"); empty for a constant bit rate ("Info").
        QByteArray toc;
    };
    // LAME's extension, after the Xing part: the encoder's name, then at
    // kTrimAt the delay and the padding in 12 bits each.
    static constexpr int kEncoderNameBytes = 9;
    static constexpr int kTrimAt = 21;
    static constexpr int kTrimBits = 12;
    // The most samples of delay or padding the frame records.
    static constexpr int kTrimMax = (1 << kTrimBits) - 1;
    // Entries of the seek table: a byte for each percent of the stream.
    static constexpr int kTocEntries = 100;

    // mpegVersion as LAME numbers it (lame_get_version): 1 for MPEG-1, 0 below 32 kHz.
    Mp3InfoFrame(int mpegVersion, int sampleRate, int channels);

    // Whether a frame at that bit rate holds the Info frame (LAME writes its
    // own only then).
    bool fitsAt(int bitrate) const;
    // Bytes of the frame: the smallest frame of this sample rate that holds it.
    int size() const { return m_size; }

    QByteArray render(const Stream &stream) const;

    // Continues a CRC of the kind the frame records (start with 0).
    static quint16 crc(quint16 crc, const quint8 *data, std::size_t size);

private:
    int frameBytes(int bitrate) const;

    int m_mpegVersion;
    int m_sampleRate;
    int m_sideInfoBytes;
    int m_bitrateIndex = 0;
    int m_size = 0;
};
