#pragma once

#include <QByteArray>

struct CoverPicture;

// An ID3v2.4 tag naming LAME as the encoder (TSSE), with room after it, so
// that stamping the tags later rewrites only the tag and not the whole file:
// enough for the tag values the program stamps, and extraRoom more (for
// chapters announced before the file is written). A cover is in the tag from
// the start: stored again later it takes the same room, and nothing saved
// before it finds so much room empty that it shrinks the tag.
QByteArray id3TagRoom(int extraRoom, const CoverPicture *cover = nullptr);
