#include "audio/tags/wavechunkfile.h"

#include "audio/core/audioerror.h"

#include <QtEndian>

#include <algorithm>

namespace {

constexpr qint64 kFirstChunkOffset = 12;
constexpr qint64 kChunkHeaderSize = 8;
constexpr qint64 kRiffSizeOffset = 4;
constexpr qint64 kDs64RiffSizeOffset = 20;
constexpr qint64 kDs64DataSizeOffset = 28;
constexpr quint32 kDs64MinimumSize = 24;
// A 32-bit size of all ones means "see the ds64 chunk".
constexpr quint32 kSizeInDs64 = 0xFFFFFFFF;
constexpr qint64 kMaxRiffSize = 0xFFFFFFFF;

qint64 paddedToEven(qint64 size)
{
    return size + (size & 1);
}

}  // namespace

QByteArray WaveChunkFile::render(const Chunk &chunk)
{
    QByteArray bytes = chunk.id;
    char size[4];
    qToLittleEndian<quint32>(static_cast<quint32>(chunk.body.size()), size);
    bytes.append(size, 4);
    bytes.append(chunk.body);
    if (chunk.body.size() & 1)
        bytes.append('\0');
    return bytes;
}

WaveChunkFile::WaveChunkFile(const QString &fileName, const QString &shownName, const QString &what)
    : m_shownName(shownName), m_what(what), m_file(fileName)
{
    if (!m_file.open(QIODevice::ReadWrite))
        fail(m_file.errorString());
    const QByteArray head = m_file.read(kFirstChunkOffset + kChunkHeaderSize);
    m_rf64 = head.startsWith("RF64");
    if (head.size() < kFirstChunkOffset + kChunkHeaderSize || head.mid(8, 4) != "WAVE"
        || !(m_rf64 || head.startsWith("RIFF")))
        fail(QStringLiteral("not a WAV file"));
    if (m_rf64
        && (head.mid(12, 4) != "ds64"
            || qFromLittleEndian<quint32>(head.constData() + 16) < kDs64MinimumSize))
        fail(QStringLiteral("not an RF64 WAV file with a ds64 chunk"));
}

void WaveChunkFile::replaceAfterAudio(Owner owns, const QList<Chunk> &chunks)
{
    qint64 chunksEnd = 0;
    const QList<Span> after = chunksAfterAudio(owns, chunksEnd);
    // Chunks before the first owned one stay where they are; the others behind it
    // move up over the owned ones.
    const auto firstOwned =
        std::find_if(after.begin(), after.end(), [](const Span &span) { return span.owned; });
    const qint64 rewriteFrom = firstOwned == after.end() ? chunksEnd : firstOwned->start;
    QByteArray tail;
    for (auto span = firstOwned; span != after.end(); ++span) {
        if (span->owned)
            continue;
        m_file.seek(span->start);
        tail += m_file.read(span->end - span->start);
    }
    for (const Chunk &chunk : chunks) {
        if (!chunk.body.isEmpty())
            tail += render(chunk);
    }
    const qint64 riffSize = rewriteFrom + tail.size() - kChunkHeaderSize;
    if (!m_rf64 && riffSize > kMaxRiffSize)
        fail(QStringLiteral("the file would pass the 4 GiB a RIFF file can hold"));
    if (!m_file.resize(rewriteFrom))
        fail(m_file.errorString());
    writeAt(rewriteFrom, tail);
    QByteArray size(m_rf64 ? 8 : 4, '\0');
    if (m_rf64)
        qToLittleEndian<quint64>(static_cast<quint64>(riffSize), size.data());
    else
        qToLittleEndian<quint32>(static_cast<quint32>(riffSize), size.data());
    writeAt(m_rf64 ? kDs64RiffSizeOffset : kRiffSizeOffset, size);
    if (!m_file.flush())
        fail(m_file.errorString());
}

// The whole chunks after the audio; chunksEnd is where the last whole chunk
// ends. A chunk cut short at the end of the file is left out, so that what is
// appended is not read as part of it.
QList<WaveChunkFile::Span> WaveChunkFile::chunksAfterAudio(Owner owns, qint64 &chunksEnd)
{
    const qint64 fileSize = m_file.size();
    const quint64 ds64DataSize = m_rf64 ? readUInt64At(kDs64DataSizeOffset) : 0;
    QList<Span> after;
    qint64 offset = kFirstChunkOffset;
    bool afterAudio = false;
    while (offset + kChunkHeaderSize <= fileSize) {
        m_file.seek(offset);
        const QByteArray header = m_file.read(kChunkHeaderSize + 4);
        const QByteArray id = header.left(4);
        const quint32 size32 = qFromLittleEndian<quint32>(header.constData() + 4);
        const bool isData = id == "data";
        const quint64 size = isData && m_rf64 && size32 == kSizeInDs64 ? ds64DataSize : size32;
        const auto room = static_cast<quint64>(fileSize - offset - kChunkHeaderSize);
        if (size > room || paddedToEven(static_cast<qint64>(size)) > static_cast<qint64>(room)) {
            if (isData || !afterAudio)
                fail(QStringLiteral("the audio data is cut short"));
            break;
        }
        const qint64 end = offset + kChunkHeaderSize + paddedToEven(static_cast<qint64>(size));
        if (afterAudio)
            after.append({offset, end, owns(id, header.mid(8, 4))});
        afterAudio = afterAudio || isData;
        offset = end;
    }
    if (!afterAudio)
        fail(QStringLiteral("the file holds no data chunk"));
    chunksEnd = offset;
    return after;
}

quint64 WaveChunkFile::readUInt64At(qint64 offset)
{
    m_file.seek(offset);
    const QByteArray bytes = m_file.read(8);
    if (bytes.size() != 8)
        fail(QStringLiteral("the ds64 chunk is cut short"));
    return qFromLittleEndian<quint64>(bytes.constData());
}

void WaveChunkFile::writeAt(qint64 offset, const QByteArray &bytes)
{
    if (!m_file.seek(offset) || m_file.write(bytes) != bytes.size())
        fail(m_file.errorString());
}

void WaveChunkFile::fail(const QString &cause) const
{
    throw AudioError::writing(m_what, m_shownName, cause);
}
