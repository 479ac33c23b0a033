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

bool stampTags(AudioInformation &information, const TagValues &values, const QString &path,
               const QString &outputPath)
{
    information.setProperty(QStringLiteral("infoTitle"), values.title);
    information.setProperty(QStringLiteral("infoArtist"), values.artist);
    information.setProperty(QStringLiteral("infoAlbum"), values.album);
    information.setinfoGenre(low16Bits(values.genreIndex));
    information.setProperty(QStringLiteral("infoGenreS"), values.genreText);
    information.setProperty(QStringLiteral("infoComments"), values.comment);
    information.setinfoYear(values.year);
    information.setinfoTrack(low16Bits(values.track));
    // Unset book tags (the first input had none) are left out.
    information.setProperty(QStringLiteral("infoAlbumArtist"),
                            values.albumArtist.value_or(QString()));
    information.setProperty(QStringLiteral("infoComposer"), values.composer.value_or(QString()));
    information.setProperty(QStringLiteral("infoDescription"),
                            values.description.value_or(QString()));
    information.setProperty(QStringLiteral("infoSeries"), values.series.value_or(QString()));
    information.setProperty(QStringLiteral("infoSeriesPart"),
                            values.seriesPart.value_or(QString()));
    return information.writeTags(path, outputPath);
}
