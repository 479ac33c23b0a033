#pragma once

// Where each format keeps the book tags: the writer stores them there and the
// reader looks for them there.
struct BookTagNames {
    const char *albumArtist;
    const char *composer;
    const char *description;
    const char *series;
    const char *seriesPart;
};

// ID3v2 frames; the description is a user text frame (TXXX) of this name, the
// comment frame staying the comment. The series is also the content group.
inline constexpr BookTagNames kId3BookTags{"TPE2", "TCOM", "DESCRIPTION", "MVNM", "MVIN"};
inline constexpr char kId3SeriesGroup[] = "TIT1";
// iTunes items; the description also as the short one, the series also as the
// grouping. The part is a number.
inline constexpr BookTagNames kMp4BookTags{"aART", "\251wrt", "ldes", "\251mvn", "\251mvi"};
inline constexpr char kMp4ShortDescription[] = "desc";
inline constexpr char kMp4SeriesGroup[] = "\251grp";
// Vorbis comments (OGG, FLAC).
inline constexpr BookTagNames kXiphBookTags{"ALBUMARTIST", "COMPOSER", "DESCRIPTION", "SERIES",
                                            "SERIES-PART"};
// ASF attributes (WMA): Windows Media's own where it has them.
inline constexpr BookTagNames kAsfBookTags{"WM/AlbumArtist", "WM/Composer",
                                           "WM/SubTitleDescription", "WM/ContentGroupDescription",
                                           "SERIES-PART"};
