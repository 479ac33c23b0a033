#pragma once

#include <QByteArray>

// An ID3v2.4 tag naming LAME as the encoder (TSSE), with room after it, so
// that stamping the tags later rewrites only the tag and not the whole file:
// enough for the tag values the program stamps, and extraRoom more (for
// chapters announced before the file is written).
QByteArray id3TagRoom(int extraRoom);
