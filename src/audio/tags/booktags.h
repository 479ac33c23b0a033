#pragma once

#include <QString>

// The tags an audiobook player shows beside the title and artist. The composer
// is where those players show the narrator; the part in a series is text ("3",
// "2.5").
struct BookTags {
    QString albumArtist;
    QString composer;
    QString description;
    QString series;
    QString seriesPart;

    bool operator==(const BookTags &other) const = default;
};
