#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// An M4B file's index (moov) stands in front of its audio so that the file
// streams, and an index that grows later moves all the audio behind it. So the
// muxer writes the index with a placeholder item in its tag list; once the file
// is complete the placeholder gives way to the iTunSMPB item, and TagLib keeps
// what is left of the room as padding ('free') that later tag stamping fills in
// place.

// The AAC encoder's priming and final padding around the frames of the audio,
// as players that trim by the iTunSMPB item read them.
struct AacGapless {
    qint64 priming = 0;
    qint64 frames = 0;
    qint64 padding = 0;

    // " 00000000 PPPPPPPP EEEEEEEE FFFFFFFFFFFFFFFF 00000000 ..." (hexadecimal).
    QString iTunSmpb() const;
};

// The placeholder, as a metadata entry for the muxer to write with the index;
// extraRoom: bytes it keeps besides the room for the texts (a cover).
struct Mp4TagRoomPlaceholder {
    const char *key;
    QByteArray value;
};
Mp4TagRoomPlaceholder mp4TagRoomPlaceholder(int extraRoom = 0);

// Swaps the placeholder in the complete file at path for the iTunSMPB item.
// Throws AudioError naming fileName.
void completeMp4TagRoom(const QString &path, const QString &fileName, const AacGapless &gapless);
