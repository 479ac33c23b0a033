#include "join/tagstamper.h"

#include "audio/tags/audioinformation.h"
#include "audio/tags/tagvalues.h"

namespace {

// The tag writer takes the genre number and the track as 16-bit values.
qint16 low16Bits(int value)
{
    return static_cast<qint16>(value);
}

}  // namespace

bool StampTags(AudioInformation &information, const TagValues &values, const QString &path,
               const QString &outputPath)
{
    information.SetProperty(QStringLiteral("infoTitle"), values.title);
    information.SetProperty(QStringLiteral("infoArtist"), values.artist);
    information.SetProperty(QStringLiteral("infoAlbum"), values.album);
    information.SetinfoGenre(low16Bits(values.genreIndex));
    information.SetProperty(QStringLiteral("infoGenreS"), values.genreText);
    information.SetProperty(QStringLiteral("infoComments"), values.comment);
    information.SetinfoYear(values.year);
    information.SetinfoTrack(low16Bits(values.track));
    return information.WriteTags(path, outputPath);
}
