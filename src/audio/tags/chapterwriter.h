#pragma once

#include "audio/core/chapter.h"
#include "audio/core/outputformat.h"

#include <QString>
#include <QtGlobal>

// Stores the chapters of a joined file where its format keeps them, so that
// players and FFmpeg find them: ID3v2 CHAP frames listed by an ordered
// top-level CTOC (MP3), CHAPTERnnn and CHAPTERnnnNAME comments (OGG Vorbis), a
// cue chunk and a LIST adtl chunk of labels after the audio (WAV and RF64), ASF
// markers (WMA). What is there besides (tags, other chunks) is kept. M4B keeps
// them in its index, which its muxer writes: the encoder hands it stored().
class ChapterWriter {
public:
    // fileName is how the file can be opened now (the unnamed output's path);
    // shownName names it in messages.
    ChapterWriter(const QString &fileName, const QString &shownName, OutputFormat::Kind kind,
                  int sampleRate);

    // Stores the chapters fitted to an output of totalFrames frames. Fewer than
    // two that fit store no chapter list: a single chapter helps no one.
    // Throws AudioError naming the shown name.
    void write(const ChapterList &chapters, qint64 totalFrames) const;
    // The chapters write() stores, with their times as stored; empty when it
    // stores no chapter list.
    ChapterList stored(const ChapterList &chapters, qint64 totalFrames) const;

    // The most chapters the format lists: OGG and FLAC readers take three
    // digits of chapter number, an MP3's table of contents and an M4B's Nero
    // list count them in 8 bits.
    static qsizetype maxChapters(OutputFormat::Kind kind);

    // Bytes the chapters take in an ID3v2 tag: the room an MP3 keeps for them.
    static int id3Size(const ChapterList &chapters);

private:
    // The chapters as they can be stored in the first `limit` frames: in the
    // order of their starts, each inside [0, limit) and ending at most where the
    // next begins; chapters left empty are dropped.
    static ChapterList fitted(const ChapterList &chapters, qint64 limit);

    void writeId3(const ChapterList &chapters) const;
    void writeXiphComment(const ChapterList &chapters) const;
    void writeWaveChunks(const ChapterList &chapters) const;
    void writeAsfMarkers(const ChapterList &chapters) const;
    qint64 limitFrames() const;
    [[noreturn]] void fail(const QString &cause) const;

    QString m_fileName;
    QString m_shownName;
    OutputFormat::Kind m_kind;
    int m_sampleRate;
};
