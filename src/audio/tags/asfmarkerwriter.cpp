#include "audio/tags/asfmarkerwriter.h"

#include "audio/core/audioerror.h"

#include <QtEndian>

#include <algorithm>

namespace {

// Object GUIDs as they are stored (little-endian fields).
const QByteArray
    kFilePropertiesGuid("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
const QByteArray kMarkerGuid("\x01\xCD\x87\xF4\x51\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65",
                             16);
const QByteArray
    kMarkerReservedGuid("\x20\xDB\xFE\x4C\xF6\x75\xCF\x11\x9C\x0F\x00\xA0\xC9\x03\x49\xCB", 16);
const QByteArray kDataGuid("\x36\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);

constexpr qint64 kHeaderObjectSize = 30;  // GUID, size, object count, two reserved bytes
constexpr qint64 kHeaderSizeOffset = 16;
constexpr qint64 kHeaderCountOffset = 24;
constexpr qint64 kObjectHeaderSize = 24;  // GUID, size
// A header beyond this is no header of ours; it is read whole into memory.
constexpr qint64 kMaxHeaderSize = qint64(16) * 1024 * 1024;
// File Properties Object fields, from the start of the object.
constexpr qint64 kFileSizeOffset = 40;
constexpr qint64 kPrerollOffset = 80;
constexpr qint64 kMinPacketSizeOffset = 92;
constexpr qint64 kMaxPacketSizeOffset = 96;
constexpr qint64 kFilePropertiesSize = 104;
// Data Object: GUID, size, file id, packet count, two reserved bytes, then packets.
constexpr qint64 kDataPacketCountOffset = 40;
constexpr qint64 kDataHeaderSize = 50;
// Enough of a packet's start for its payload parsing information.
constexpr qint64 kPacketHeadSize = 32;
constexpr quint8 kErrorCorrectionPresent = 0x80;
constexpr quint8 kErrorCorrectionLengthMask = 0x0F;
constexpr quint64 kUnitsPerMs = 10000;
// A marker entry's length is 16 bits and counts the send time, the flags and
// the description length (12 bytes), then the UTF-16 description with its null.
constexpr int kMarkerEntryFixedSize = 12;
constexpr qsizetype kMaxTitleChars = (0xFFFF - kMarkerEntryFixedSize) / 2 - 1;
constexpr qint64 kMoveBlock = qint64(1024) * 1024;

template <typename T>
void appendLittle(QByteArray &bytes, T value)
{
    char buffer[sizeof(T)];
    qToLittleEndian<T>(value, buffer);
    bytes.append(buffer, sizeof(T));
}

template <typename T>
void putLittle(QByteArray &bytes, qint64 offset, T value)
{
    qToLittleEndian<T>(value, bytes.data() + offset);
}

template <typename T>
T little(const QByteArray &bytes, qint64 offset)
{
    return qFromLittleEndian<T>(bytes.constData() + offset);
}

// Bytes of a payload parsing field from its two-bit length type.
int fieldSize(unsigned lengthType)
{
    constexpr int kSizes[] = {0, 1, 2, 4};
    return kSizes[lengthType & 3];
}

QByteArray utf16WithNull(const QString &text)
{
    QByteArray bytes;
    for (const QChar character : text.left(kMaxTitleChars))
        appendLittle<quint16>(bytes, character.unicode());
    appendLittle<quint16>(bytes, 0);
    return bytes;
}

}  // namespace

AsfMarkerWriter::AsfMarkerWriter(const QString &fileName, const QString &shownName)
    : m_shownName(shownName), m_file(fileName)
{
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        fail(m_file.errorString());
}

void AsfMarkerWriter::write(const QList<Marker> &markers)
{
    const QByteArray head = readAt(0, kHeaderObjectSize);
    const auto headerSize = little<quint64>(head, kHeaderSizeOffset);
    if (headerSize < static_cast<quint64>(kHeaderObjectSize)
        || headerSize > static_cast<quint64>(std::min(kMaxHeaderSize, m_file.size())))
        fail(QStringLiteral("the ASF header has an impossible size"));
    const QByteArray header = readAt(0, static_cast<qint64>(headerSize));

    // Every header object but former markers, in its order.
    QByteArray objects;
    quint32 objectCount = 0;
    qint64 fileProperties = -1;
    for (qint64 offset = kHeaderObjectSize; offset < header.size();) {
        if (offset + kObjectHeaderSize > header.size())
            fail(QStringLiteral("an ASF header object is cut short"));
        const auto size = little<quint64>(header, offset + kHeaderSizeOffset);
        if (size < static_cast<quint64>(kObjectHeaderSize)
            || size > static_cast<quint64>(header.size() - offset))
            fail(QStringLiteral("an ASF header object has an impossible size"));
        const QByteArray guid = header.mid(offset, 16);
        if (guid != kMarkerGuid) {
            if (guid == kFilePropertiesGuid && size >= static_cast<quint64>(kFilePropertiesSize))
                fileProperties = kHeaderObjectSize + objects.size();
            objects += header.mid(offset, static_cast<qint64>(size));
            ++objectCount;
        }
        offset += static_cast<qint64>(size);
    }
    if (fileProperties < 0)
        fail(QStringLiteral("the ASF header has no file properties"));

    m_dataStart = header.size();
    const QByteArray data = readAt(m_dataStart, kDataHeaderSize);
    if (!data.startsWith(kDataGuid))
        fail(QStringLiteral("no ASF data follows the header"));
    m_packetCount = static_cast<qint64>(little<quint64>(data, kDataPacketCountOffset));
    QByteArray rebuilt = head + objects;
    const auto packetSize = little<quint32>(rebuilt, fileProperties + kMinPacketSizeOffset);
    if (packetSize == 0
        || packetSize != little<quint32>(rebuilt, fileProperties + kMaxPacketSizeOffset)
        || m_packetCount <= 0
        || m_packetCount > (m_file.size() - m_dataStart - kDataHeaderSize) / packetSize)
        fail(QStringLiteral("the ASF data packets are not of one size or are cut short"));
    m_packetSize = packetSize;

    rebuilt += renderMarkers(
        markers, static_cast<qint64>(little<quint64>(rebuilt, fileProperties + kPrerollOffset)));
    ++objectCount;
    const qint64 distance = rebuilt.size() - header.size();
    putLittle<quint64>(rebuilt, kHeaderSizeOffset, static_cast<quint64>(rebuilt.size()));
    putLittle<quint32>(rebuilt, kHeaderCountOffset, objectCount);
    putLittle<quint64>(rebuilt, fileProperties + kFileSizeOffset,
                       static_cast<quint64>(m_file.size() + distance));
    moveTail(header.size(), distance);
    writeAt(0, rebuilt);
}

QByteArray AsfMarkerWriter::renderMarkers(const QList<Marker> &markers, qint64 prerollMs)
{
    QByteArray entries;
    for (const Marker &marker : markers) {
        const qint64 packet = packetAt(marker.time / static_cast<qint64>(kUnitsPerMs));
        const QByteArray title = utf16WithNull(marker.title);
        appendLittle<quint64>(entries,
                              static_cast<quint64>(kDataHeaderSize + packet * m_packetSize));
        appendLittle<quint64>(entries, static_cast<quint64>(marker.time)
                                           + static_cast<quint64>(prerollMs) * kUnitsPerMs);
        appendLittle<quint16>(entries, static_cast<quint16>(kMarkerEntryFixedSize + title.size()));
        appendLittle<quint32>(entries, static_cast<quint32>(packetSendTime(packet)));
        appendLittle<quint32>(entries, 0);  // flags
        appendLittle<quint32>(entries, static_cast<quint32>(title.size() / 2));
        entries += title;
    }
    QByteArray object = kMarkerGuid;
    appendLittle<quint64>(object, 0);  // size, set below
    object += kMarkerReservedGuid;
    appendLittle<quint32>(object, static_cast<quint32>(markers.size()));
    appendLittle<quint16>(object, 0);  // reserved
    appendLittle<quint16>(object, 0);  // no name for the list
    object += entries;
    putLittle<quint64>(object, kHeaderSizeOffset, static_cast<quint64>(object.size()));
    return object;
}

// The last packet sent at or before timeMs (packets are in send-time order).
qint64 AsfMarkerWriter::packetAt(qint64 timeMs)
{
    qint64 low = 0;
    qint64 high = m_packetCount - 1;
    while (low < high) {
        const qint64 middle = low + (high - low + 1) / 2;
        if (packetSendTime(middle) <= timeMs)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

qint64 AsfMarkerWriter::packetSendTime(qint64 packet)
{
    const QByteArray bytes = readAt(m_dataStart + kDataHeaderSize + packet * m_packetSize,
                                    std::min(kPacketHeadSize, m_packetSize));
    qint64 position = 0;
    const auto first = static_cast<quint8>(bytes.at(0));
    if (first & kErrorCorrectionPresent)
        position = 1 + (first & kErrorCorrectionLengthMask);
    if (position + 2 > bytes.size())
        fail(QStringLiteral("an ASF data packet is cut short"));
    const auto lengthTypes = static_cast<quint8>(bytes.at(position));
    // Length type and property flags, then packet length, sequence and padding length.
    position +=
        2 + fieldSize(lengthTypes >> 5) + fieldSize(lengthTypes >> 1) + fieldSize(lengthTypes >> 3);
    if (position + 4 > bytes.size())
        fail(QStringLiteral("an ASF data packet is cut short"));
    return little<quint32>(bytes, position);
}

// Moves everything from `from` to the end of the file by distance bytes.
void AsfMarkerWriter::moveTail(qint64 from, qint64 distance)
{
    const qint64 end = m_file.size();
    if (distance > 0) {
        if (!m_file.resize(end + distance))
            fail(m_file.errorString());
        for (qint64 stop = end; stop > from;) {
            const qint64 length = std::min(kMoveBlock, stop - from);
            stop -= length;
            writeAt(stop + distance, readAt(stop, length));
        }
    } else if (distance < 0) {
        for (qint64 start = from; start < end; start += kMoveBlock)
            writeAt(start + distance, readAt(start, std::min(kMoveBlock, end - start)));
        if (!m_file.resize(end + distance))
            fail(m_file.errorString());
    }
}

QByteArray AsfMarkerWriter::readAt(qint64 offset, qint64 length)
{
    if (!m_file.seek(offset))
        fail(m_file.errorString());
    QByteArray bytes = m_file.read(length);
    if (bytes.size() != length)
        fail(QStringLiteral("the file is cut short"));
    return bytes;
}

void AsfMarkerWriter::writeAt(qint64 offset, const QByteArray &bytes)
{
    if (!m_file.seek(offset) || m_file.write(bytes) != bytes.size())
        fail(m_file.errorString());
}

void AsfMarkerWriter::fail(const QString &cause) const
{
    throw AudioError::writing(QStringLiteral("chapters"), m_shownName, cause);
}
