#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Reads a written file back without the program's own reader: the stream
// facts and a full decode through FFmpeg, the tags through TagLib.

// One tag as TagLib reads it; present is false when the file has no such tag.
struct ProbedTags {
    bool present = false;
    QString title;
    QString artist;
    QString album;
    QString comment;
    QString genre;
    unsigned year = 0;
    unsigned track = 0;
};

// One chapter as FFmpeg reads it (ends it does not find stored it sets to the
// next chapter's start, the last to the end of the file).
struct ProbedChapter {
    QString title;
    double start = 0;  // seconds
    double end = 0;
};

struct MediaInfo {
    // FFmpeg's demuxer name: "mp3", "wav", "ogg", "asf", "flac", "mov,mp4,m4a,3gp,3g2,mj2"
    QString container;
    // FFmpeg's codec name: "mp3", "pcm_s16le", "vorbis", "wmav2", "flac", "aac"
    QString codec;
    int sampleRate = 0;
    int channels = 0;
    qint64 bitRate = 0;         // bit/s as FFmpeg reports it (stream, else container)
    qint64 decodedFrames = 0;   // sample frames from decoding the whole file
    double firstFrameTime = 0;  // seconds: where FFmpeg's timeline puts the first decoded frame
    int bitsPerSample = 0;      // of the stored samples, for PCM and FLAC

    // The main tag of the format: ID3v2 for MP3 and WAV, the Xiph comment for
    // OGG and FLAC, the ASF attributes for WMA, the iTunes items for M4B.
    ProbedTags tags;
    int id3v2Version = 0;  // major version of the ID3v2 tag (MP3, WAV), 0 if none
    ProbedTags id3v1;      // MP3 only
    ProbedTags riffInfo;   // WAV only: the RIFF INFO list
    // The container metadata as FFmpeg reads it (keys lower case), e.g. for RF64,
    // where TagLib reads no tags.
    QMap<QString, QString> ffmpegTags;
    QList<ProbedChapter> chapters;
    // MP3: the element ids a top-level, ordered ID3v2 CTOC frame lists, as TagLib reads it.
    QStringList id3TableOfContents;
    // The picture of the stream FFmpeg marks as an attached picture (a cover); empty if none.
    QByteArray attachedPicture;
};

// Throws std::runtime_error when FFmpeg cannot open or decode the file.
MediaInfo probeMedia(const QString &path);

// Every decoded sample of a PCM or FLAC file, interleaved, as the bytes of the
// decoder's 16-bit or 32-bit integers, for comparing two files sample for sample.
QByteArray decodePcm(const QString &path);
// The same with the decoder's checks on (FLAC: every frame's CRC); throws
// std::runtime_error at the first frame it refuses.
QByteArray decodePcmChecked(const QString &path);

// One box at the top level of an MP4 file.
struct Mp4Box {
    QByteArray type;  // "ftyp", "moov", "free", "mdat", ...
    qint64 offset = 0;
};

// The top-level boxes of an MP4 file in file order.
QList<Mp4Box> mp4TopLevelBoxes(const QString &path);
