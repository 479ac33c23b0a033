#include "audio/copy/mp3fileindex.h"

#include "audio/copy/mp3sideinfo.h"
#include "audio/core/audioerror.h"
#include "audio/encode/mp3infoframe.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace {

constexpr qint64 kId3v2HeaderBytes = 10;
constexpr int kHeaderBytes = 4;
constexpr quint8 kId3v2FooterFlag = 0x10;
// Where a header is looked for past the tags: junk some writers leave.
constexpr qint64 kSyncSearchBytes = qint64(64) * 1024;
// Xing/Info fields present by its flags.
constexpr quint32 kXingFrames = 1;
constexpr quint32 kXingBytes = 2;
constexpr quint32 kXingToc = 4;
constexpr quint32 kXingQuality = 8;
constexpr int kVbriAt = 36;
// FFmpeg trims by the tag only when LAME or FFmpeg itself wrote it.
constexpr const char *kTrimmingWriters[] = {"LAME", "Lavf", "Lavc"};
// What may follow the last frame: tags, or nothing but zeros.
constexpr const char *kTrailingTags[] = {"TAG", "APETAGEX", "LYRICSBEGIN", "ID3"};

qint64 syncsafe(const quint8 *bytes)
{
    return qint64(bytes[0] & 0x7F) << 21 | qint64(bytes[1] & 0x7F) << 14
           | qint64(bytes[2] & 0x7F) << 7 | qint64(bytes[3] & 0x7F);
}

bool startsWith(const quint8 *data, qint64 size, const char *text)
{
    const auto length = qint64(std::strlen(text));
    return size >= length && std::memcmp(data, text, std::size_t(length)) == 0;
}

}  // namespace

Mp3FileIndex::Mp3FileIndex(const QString &fileName) : m_fileName(fileName), m_file(fileName)
{
    if (!m_file.open(QIODevice::ReadOnly)) {
        refuse(m_file.errorString());
        return;
    }
    m_size = m_file.size();
    m_data = m_size > 0 ? m_file.map(0, m_size) : nullptr;
    if (!m_data) {
        refuse(QStringLiteral("it cannot be read"));
        return;
    }
    scan(m_data, m_size);
    if (copyable())
        checkMainData();
}

Mp3FileIndex::~Mp3FileIndex() = default;

void Mp3FileIndex::close()
{
    m_file.close();  // unmaps it too
    m_data = nullptr;
}

void Mp3FileIndex::reopen()
{
    if (m_data)
        return;
    if (!m_file.open(QIODevice::ReadOnly))
        throw AudioError(QStringLiteral("%1: %2").arg(m_fileName, m_file.errorString()));
    if (m_file.size() == m_size)
        m_data = m_file.map(0, m_size);
    if (!m_data)
        throw AudioError(QStringLiteral("%1 changed while the join ran").arg(m_fileName));
}

void Mp3FileIndex::refuse(const QString &reason)
{
    if (m_refusal.isEmpty())
        m_refusal = reason;
}

qint64 Mp3FileIndex::audioStart(const quint8 *data, qint64 size) const
{
    qint64 at = 0;
    while (at + kId3v2HeaderBytes <= size && startsWith(data + at, size - at, "ID3")) {
        const bool footer = (data[at + 5] & kId3v2FooterFlag) != 0;
        at += kId3v2HeaderBytes + syncsafe(data + at + 6) + (footer ? kId3v2HeaderBytes : 0);
    }
    // The first header that another follows where it says.
    const qint64 end = std::min(size - 4, at + kSyncSearchBytes);
    for (qint64 pos = at; pos < end; ++pos) {
        const auto header = Mp3FrameHeader::parse(data + pos);
        if (!header)
            continue;
        const qint64 next = pos + header->frameBytes();
        if (next == size)
            return pos;
        if (next + 4 <= size) {
            const auto following = Mp3FrameHeader::parse(data + next);
            if (following && following->sameStream(*header))
                return pos;
        }
    }
    return -1;
}

void Mp3FileIndex::scan(const quint8 *data, qint64 size)
{
    qint64 at = audioStart(data, size);
    if (at < 0) {
        refuse(QStringLiteral("it holds no MPEG audio Layer III frames"));
        return;
    }
    bool first = true;
    while (at + 4 <= size) {
        const auto header = Mp3FrameHeader::parse(data + at);
        if (!header)
            break;
        if (at + header->frameBytes() > size) {
            refuse(QStringLiteral("its last frame is cut short"));
            return;
        }
        if (first) {
            first = false;
            if (readTagFrame(data + at, *header)) {
                at += header->frameBytes();
                continue;
            }
        }
        if (m_frames.empty()) {
            m_header = *header;
        } else if (!header->sameStream(m_header) || header->hasCrc() != m_header.hasCrc()) {
            refuse(QStringLiteral("its format changes within the file"));
            return;
        }
        const Mp3SideInfo side(data + at, *header);
        m_frames.push_back({at, header->frameBytes(), side.mainDataBegin(), header->payloadBytes(),
                            header->bitrateIndex()});
        at += header->frameBytes();
    }
    const quint8 *rest = data + at;
    const qint64 restBytes = size - at;
    const bool tagged =
        std::any_of(std::begin(kTrailingTags), std::end(kTrailingTags),
                    [&](const char *tag) { return startsWith(rest, restBytes, tag); });
    if (restBytes > 0 && !tagged && std::any_of(rest, rest + restBytes, [](quint8 b) { return b; }))
        refuse(QStringLiteral("it has damaged frames at byte %1").arg(at));
    if (m_frames.empty())
        refuse(QStringLiteral("it holds no audio frames"));
    if (m_statedFrames >= 0 && m_statedFrames != frameCount())
        refuse(QStringLiteral("its header counts %1 frames where it holds %2")
                   .arg(m_statedFrames)
                   .arg(frameCount()));
}

bool Mp3FileIndex::readTagFrame(const quint8 *frame, const Mp3FrameHeader &header)
{
    // Where LAME writes it and FFmpeg reads it, a CRC or not.
    const int xingAt = kHeaderBytes + header.sideInfoBytes();
    const quint8 *end = frame + header.frameBytes();
    const quint8 *xing = frame + xingAt;
    if (startsWith(frame + kVbriAt, end - frame - kVbriAt, "VBRI"))
        return true;
    if (!startsWith(xing, end - xing, "Xing") && !startsWith(xing, end - xing, "Info"))
        return false;
    const auto flags = qFromBigEndian<quint32>(xing + 4);
    const quint8 *field = xing + 8;
    if (flags & kXingFrames) {
        m_statedFrames = qFromBigEndian<quint32>(field);
        field += 4;
    }
    field += (flags & kXingBytes ? 4 : 0) + (flags & kXingToc ? Mp3InfoFrame::kTocEntries : 0)
             + (flags & kXingQuality ? 4 : 0);
    if (field + Mp3InfoFrame::kTrimAt + 3 > end)
        return true;
    const bool trims = std::any_of(
        std::begin(kTrimmingWriters), std::end(kTrimmingWriters), [&](const char *writer) {
            return startsWith(field, Mp3InfoFrame::kEncoderNameBytes, writer);
        });
    if (trims) {
        const quint32 trim = quint32(field[Mp3InfoFrame::kTrimAt]) << 16
                             | quint32(field[Mp3InfoFrame::kTrimAt + 1]) << 8
                             | field[Mp3InfoFrame::kTrimAt + 2];
        m_delay = int(trim >> Mp3InfoFrame::kTrimBits);
        m_padding = int(trim & Mp3InfoFrame::kTrimMax);
        m_trimmed = true;
    }
    return true;
}

void Mp3FileIndex::checkMainData()
{
    qint64 reservoir = 0;
    for (const Frame &frame : m_frames) {
        const Mp3SideInfo side(m_data + frame.offset, m_header);
        if (frame.mainDataBegin > reservoir
            || side.mainDataBytes() > frame.mainDataBegin + frame.payloadBytes) {
            refuse(QStringLiteral("its frame at byte %1 is damaged").arg(frame.offset));
            return;
        }
        reservoir += frame.payloadBytes;
    }
}

qint64 Mp3FileIndex::signalStart() const
{
    return m_trimmed ? m_delay + Mp3FrameHeader::kDecoderDelay : 0;
}

qint64 Mp3FileIndex::signalLength() const
{
    const qint64 raw = frameCount() * frameSamples();
    return m_trimmed ? raw - m_delay - m_padding : raw;
}

const quint8 *Mp3FileIndex::frameData(qint64 frame) const
{
    return m_data + m_frames[std::size_t(frame)].offset;
}

QByteArray Mp3FileIndex::reachedBytes(qint64 frame) const
{
    const int reach = m_frames[std::size_t(frame)].mainDataBegin;
    QByteArray bytes;
    for (qint64 f = frame - 1; f >= 0 && bytes.size() < reach; --f) {
        const Frame &before = m_frames[std::size_t(f)];
        const quint8 *payload = m_data + before.offset + before.bytes - before.payloadBytes;
        const int take = std::min<int>(before.payloadBytes, reach - int(bytes.size()));
        bytes.prepend(reinterpret_cast<const char *>(payload + before.payloadBytes - take), take);
    }
    return bytes;
}
