#pragma once

#include "audio/tags/coverchoice.h"

#include <QString>

#include <optional>

// The tag values the next join stamps on its output file. They live in memory
// only: the tag dialog changes them on "Ok", and the join puts them back to the
// initial values after stamping, so one set of values serves one join.
struct TagValues {
    static constexpr int kInitialGenreIndex = 12;  // "Other"
    static constexpr int kInitialYear = 2006;
    static constexpr int kInitialTrack = 0;
    static constexpr int kNoGenre = -1;
    static constexpr int kNoYear = 0;
    // A track is at most two decimal digits, 0 to 99.
    static constexpr int kTrackDigits = 2;

    QString title;
    QString artist;
    QString album;
    QString comment;
    QString genreText;  // the caption of the chosen genre; empty until the dialog is confirmed
    int genreIndex = kInitialGenreIndex;  // the ID3v1 genre number, kNoGenre for none
    int year = kInitialYear;
    int track = kInitialTrack;
    // The book tags: unset takes the first input's value at the join; a value,
    // even an empty one, is the user's. A part in a series may be "2.5".
    std::optional<QString> albumArtist;
    std::optional<QString> composer;
    std::optional<QString> description;
    std::optional<QString> series;
    std::optional<QString> seriesPart;
    CoverChoice cover;

    // Back to the initial values.
    void reset();
    // No value at all: the stamping leaves every field out.
    static TagValues none();

    bool operator==(const TagValues &other) const = default;
};
