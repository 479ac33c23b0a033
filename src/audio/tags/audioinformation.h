#pragma once

#include "audio/tags/coverpicture.h"

#include <QString>
#include <QtGlobal>

#include <optional>

// The tag writer: collects the values, then WriteTags stores them in a file of
// any of the six output formats. Failures throw AudioError.
//
// The format is recognised from the file's first bytes, not from its name:
// MP3 gets an ID3v2.3 tag and an ID3v1 tag, OGG Vorbis and FLAC a Xiph (Vorbis)
// comment, WMA ASF attributes, M4B the iTunes items of its MP4 index, WAV both
// a RIFF INFO list and an ID3v2.3 chunk (players disagree on which one they
// read). An RF64 WAV (a join past 4 GiB) gets the same two chunks appended
// after its audio.
//
// Unset values leave their fields out: an empty text, a genre index of -1 (or
// one outside the ID3v1 list) with no genre text, a year or track of 0 or less.
// The genre text wins over the index; with no text, a valid index stores the
// name of that ID3v1 genre. The ID3v1 tag of an MP3 file takes a valid index
// as its genre byte whatever the text, and 255 (none) for a text without one.
// Every M4B is marked as an audiobook.
class AudioInformation {
public:
    // The text properties, set by name: infoTitle, infoArtist, infoAlbum,
    // infoComments, infoGenreS, and the book's infoAlbumArtist, infoComposer,
    // infoDescription, infoSeries, infoSeriesPart. An unknown name throws
    // AudioError.
    void setProperty(const QString &name, const QString &value);

    void setinfoGenre(qint16 genre);
    void setinfoYear(int year);
    void setinfoTrack(qint16 track);

    // The front cover the next writeTags stores; none removes any cover the
    // file has. Stored as each format holds pictures: ID3v2 APIC (MP3, and WAV
    // in its ID3 chunk), a FLAC PICTURE block, METADATA_BLOCK_PICTURE in the
    // OGG Vorbis comment, WM/Picture in WMA, covr in M4B.
    void setCover(const std::optional<CoverPicture> &cover);

    // shownName, when given, names the file in messages instead of fileName
    // (a file written without a name yet is reached by a /proc path). False
    // when the file cannot hold tags: a WAV without audio.
    bool writeTags(const QString &fileName, const QString &shownName = {});

private:
    bool hasListedGenre() const;
    QString genreToStore() const;

    QString m_title;
    QString m_artist;
    QString m_album;
    QString m_comments;
    QString m_genreText;
    QString m_albumArtist;
    QString m_composer;
    QString m_description;
    QString m_series;
    QString m_seriesPart;
    qint16 m_genre = -1;
    int m_year = 0;
    qint16 m_track = 0;
    std::optional<CoverPicture> m_cover;
};
