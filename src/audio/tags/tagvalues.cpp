#include "audio/tags/tagvalues.h"

void TagValues::reset()
{
    title.clear();
    album.clear();
    artist.clear();
    track = kInitialTrack;
    year = kInitialYear;
    genreText.clear();
    genreIndex = kInitialGenreIndex;
    comment.clear();
    albumArtist.reset();
    composer.reset();
    description.reset();
    series.reset();
    seriesPart.reset();
    cover = {};
}

TagValues TagValues::none()
{
    TagValues values;
    values.genreIndex = kNoGenre;
    values.year = kNoYear;
    return values;
}
