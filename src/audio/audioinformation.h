#pragma once

#include <QString>
#include <QtGlobal>

// The tag writer: collects the values, then WriteTags stores them in a file of
// any of the four output formats. Failures throw AudioError.
class AudioInformation {
public:
    void SetOptionFlag(bool flag);

    // The five text properties, set by name: infoTitle, infoArtist, infoAlbum,
    // infoComments, infoGenreS. An unknown name throws AudioError.
    void SetProperty(const QString &name, const QString &value);

    void SetinfoGenre(qint16 genre);
    void SetinfoYear(int year);
    void SetinfoTrack(qint16 track);

    void WriteTags(const QString &fileName);

private:
    QString m_title;
    QString m_artist;
    QString m_album;
    QString m_comments;
    QString m_genreText;
    qint16 m_genre = -1;
    int m_year = 0;
    qint16 m_track = 0;
};
