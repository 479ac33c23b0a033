#pragma once

#include "audio/tags/coverchoice.h"
#include "audio/tags/coverpicture.h"

#include <QString>
#include <QStringList>

#include <optional>

// Finds the cover a join's output carries.
//
// Automatic: the first picture embedded in the inputs, in list order (a file's
// front cover before its other pictures: ID3v2 APIC in MP3, AAC, WAV and AIFF,
// MP4 covr, FLAC PICTURE blocks, METADATA_BLOCK_PICTURE in OGG and FLAC, ASF
// WM/Picture); else a picture file in the folders given (the caller knows
// where a book keeps its cover: beside its first input, or above a part
// folder), cover.jpg before cover.png before folder.jpg, their names in any
// case. A candidate that is no
// JPEG or PNG or is too large is passed over: nobody chose it. Only the tags of
// each input are read, and the search stops at the first picture found.
class CoverFinder {
public:
    // The cover for a choice; a chosen file that cannot serve throws AudioError
    // naming it.
    static std::optional<CoverPicture> resolve(const CoverChoice &choice, const QStringList &inputs,
                                               const QStringList &folders);
    static std::optional<CoverPicture> automatic(const QStringList &inputs,
                                                 const QStringList &folders);
    // The first usable picture embedded in one file.
    static std::optional<CoverPicture> embedded(const QString &fileName);
    // The picture files in folder that the automatic choice tries, in the
    // order they win.
    static QStringList pictureFiles(const QString &folder);
};
