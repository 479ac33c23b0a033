#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// Stores tag chunks in an RF64 WAV file, which TagLib cannot walk: a RIFF INFO
// list and an ID3v2 chunk go after the audio, replacing the tag chunks a former
// call left there, and the 64-bit RIFF size in the ds64 chunk is updated.
// Failures throw AudioError.
class Rf64TagWriter {
public:
    explicit Rf64TagWriter(const QString &fileName);

    // infoList is a LIST chunk's body ("INFO" and its fields), id3 a rendered
    // ID3v2 tag; an empty one is left out.
    void write(const QByteArray &infoList, const QByteArray &id3);

private:
    qint64 tagChunksStart();
    void appendChunk(const QByteArray &id, const QByteArray &body);
    quint64 readUInt64At(qint64 offset);
    void writeUInt64At(qint64 offset, quint64 value);
    [[noreturn]] void fail(const QString &cause) const;

    QString m_fileName;
    QFile m_file;
};
