#include "audio/rf64tagwriter.h"

#include "audio/audioerror.h"

#include <QtEndian>

namespace {

constexpr qint64 kFirstChunkOffset = 12;
constexpr qint64 kChunkHeaderSize = 8;
constexpr qint64 kDs64RiffSizeOffset = 20;
constexpr qint64 kDs64DataSizeOffset = 28;
constexpr quint32 kDs64MinimumSize = 24;
// A 32-bit size of all ones means "see the ds64 chunk".
constexpr quint32 kSizeInDs64 = 0xFFFFFFFF;

bool isTagChunk(const QByteArray &id, const QByteArray &listType)
{
    return id == "id3 " || id == "ID3 " || (id == "LIST" && listType == "INFO");
}

qint64 paddedToEven(qint64 size)
{
    return size + (size & 1);
}

}  // namespace

Rf64TagWriter::Rf64TagWriter(const QString &fileName) : m_fileName(fileName), m_file(fileName)
{
    if (!m_file.open(QIODevice::ReadWrite))
        fail(m_file.errorString());
    const QByteArray head = m_file.read(kFirstChunkOffset + kChunkHeaderSize);
    if (head.size() < kFirstChunkOffset + kChunkHeaderSize || !head.startsWith("RF64")
        || head.mid(8, 4) != "WAVE" || head.mid(12, 4) != "ds64"
        || qFromLittleEndian<quint32>(head.constData() + 16) < kDs64MinimumSize)
        fail(QStringLiteral("not an RF64 WAV file with a ds64 chunk"));
}

void Rf64TagWriter::write(const QByteArray &infoList, const QByteArray &id3)
{
    const qint64 start = tagChunksStart();
    if (!m_file.resize(start))
        fail(m_file.errorString());
    m_file.seek(start);
    appendChunk("LIST", infoList);
    appendChunk("id3 ", id3);
    writeUInt64At(kDs64RiffSizeOffset, static_cast<quint64>(m_file.size() - kChunkHeaderSize));
    if (!m_file.flush())
        fail(m_file.errorString());
}

// Where the tags go: after the audio, or where a trailing run of tag chunks of
// a former call begins.
qint64 Rf64TagWriter::tagChunksStart()
{
    const qint64 fileSize = m_file.size();
    const quint64 dataSize = readUInt64At(kDs64DataSizeOffset);
    qint64 offset = kFirstChunkOffset;
    qint64 audioEnd = -1;
    qint64 tagRunStart = -1;
    while (offset + kChunkHeaderSize <= fileSize) {
        m_file.seek(offset);
        const QByteArray header = m_file.read(kChunkHeaderSize + 4);
        const QByteArray id = header.left(4);
        const quint32 size32 = qFromLittleEndian<quint32>(header.constData() + 4);
        const bool isData = id == "data";
        const qint64 size =
            isData && size32 == kSizeInDs64 ? static_cast<qint64>(dataSize) : size32;
        if (size < 0)
            fail(QStringLiteral("the ds64 chunk gives an impossible audio size"));
        if (audioEnd >= 0) {
            if (isTagChunk(id, header.mid(8, 4))) {
                if (tagRunStart < 0)
                    tagRunStart = offset;
            } else {
                tagRunStart = -1;
            }
        }
        offset += kChunkHeaderSize + paddedToEven(size);
        if (isData)
            audioEnd = offset;
    }
    if (audioEnd < 0)
        fail(QStringLiteral("the file holds no data chunk"));
    if (audioEnd > fileSize)
        fail(QStringLiteral("the audio data is cut short"));
    return tagRunStart >= 0 ? tagRunStart : audioEnd;
}

void Rf64TagWriter::appendChunk(const QByteArray &id, const QByteArray &body)
{
    if (body.isEmpty())
        return;
    QByteArray chunk = id;
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(body.size()), size);
    chunk.append(size, 4);
    chunk.append(body);
    if (body.size() & 1)
        chunk.append('\0');
    if (m_file.write(chunk) != chunk.size())
        fail(m_file.errorString());
}

quint64 Rf64TagWriter::readUInt64At(qint64 offset)
{
    m_file.seek(offset);
    const QByteArray bytes = m_file.read(8);
    if (bytes.size() != 8)
        fail(QStringLiteral("the ds64 chunk is cut short"));
    return qFromLittleEndian<quint64>(bytes.constData());
}

void Rf64TagWriter::writeUInt64At(qint64 offset, quint64 value)
{
    char bytes[8];
    qToLittleEndian<quint64>(value, bytes);
    m_file.seek(offset);
    if (m_file.write(bytes, 8) != 8)
        fail(m_file.errorString());
}

void Rf64TagWriter::fail(const QString &cause) const
{
    throw AudioError(QStringLiteral("Cannot write tags to \"%1\": %2").arg(m_fileName, cause));
}
