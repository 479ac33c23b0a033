#pragma once

#include "audio/tags/wavechunkfile.h"

#include <QByteArray>
#include <QString>

// Stores tag chunks in an RF64 WAV file, which TagLib cannot walk: a RIFF INFO
// list and an ID3v2 chunk go after the audio, replacing the tag chunks a former
// call left there (other chunks there, such as chapters, are kept), and the
// 64-bit RIFF size in the ds64 chunk is updated. Failures throw AudioError.
class Rf64TagWriter {
public:
    // shownName names the file in messages; fileName is how it is opened.
    Rf64TagWriter(const QString &fileName, const QString &shownName);

    // infoList is a LIST chunk's body ("INFO" and its fields), id3 a rendered
    // ID3v2 tag; an empty one is left out.
    void write(const QByteArray &infoList, const QByteArray &id3);

private:
    WaveChunkFile m_file;
};
