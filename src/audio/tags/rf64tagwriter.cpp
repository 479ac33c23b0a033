#include "audio/tags/rf64tagwriter.h"

namespace {

bool isTagChunk(const QByteArray &id, const QByteArray &listType)
{
    return id == "id3 " || id == "ID3 " || (id == "LIST" && listType == "INFO");
}

}  // namespace

Rf64TagWriter::Rf64TagWriter(const QString &fileName, const QString &shownName)
    : m_file(fileName, shownName, QStringLiteral("tags"))
{
    if (!m_file.isRf64())
        m_file.fail(QStringLiteral("not an RF64 WAV file"));
}

void Rf64TagWriter::write(const QByteArray &infoList, const QByteArray &id3)
{
    m_file.replaceAfterAudio(isTagChunk, {{"LIST", infoList}, {"id3 ", id3}});
}
