#include "audio/decode/mp4timing.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

extern "C" {
#include <libavutil/mathematics.h>
}

namespace {

// A movie header larger than this belongs to no audio file a person joins.
constexpr qint64 kMaxMovieBytes = qint64{256} * 1024 * 1024;
constexpr qint64 kBoxHeaderBytes = 8;
constexpr qint64 kLargeBoxHeaderBytes = 16;
constexpr qint32 kUnitMediaRate = 0x00010000;  // 1.0 in 16.16 fixed point
// FFmpeg takes an iTunSMPB priming only in this range; so does this reader.
constexpr qint64 kMaxGaplessPriming = 16384;
constexpr const char *kGaplessName = "iTunSMPB";

constexpr quint32 fourcc(const char (&code)[5])
{
    return quint32(quint8(code[0])) << 24 | quint32(quint8(code[1])) << 16
           | quint32(quint8(code[2])) << 8 | quint32(quint8(code[3]));
}

// A stretch of box data; every read is checked against its end.
struct Span {
    const uchar *data = nullptr;
    qint64 size = 0;

    bool has(qint64 offset, qint64 bytes) const
    {
        return offset >= 0 && bytes >= 0 && offset <= size && bytes <= size - offset;
    }
    quint32 u32(qint64 offset) const { return qFromBigEndian<quint32>(data + offset); }
    quint64 u64(qint64 offset) const { return qFromBigEndian<quint64>(data + offset); }
    Span from(qint64 offset) const { return {data + offset, size - offset}; }
};

struct Box {
    quint32 type = 0;
    Span body;
};

// The boxes directly inside span, in order; stops at the first malformed one.
class BoxWalker {
public:
    explicit BoxWalker(Span span) : m_span(span) {}

    std::optional<Box> next()
    {
        if (!m_span.has(m_offset, kBoxHeaderBytes))
            return std::nullopt;
        qint64 size = m_span.u32(m_offset);
        const quint32 type = m_span.u32(m_offset + 4);
        qint64 header = kBoxHeaderBytes;
        if (size == 1) {
            if (!m_span.has(m_offset, kLargeBoxHeaderBytes))
                return std::nullopt;
            const quint64 large = m_span.u64(m_offset + kBoxHeaderBytes);
            if (large > quint64(std::numeric_limits<qint64>::max()))
                return std::nullopt;
            size = qint64(large);
            header = kLargeBoxHeaderBytes;
        } else if (size == 0) {
            size = m_span.size - m_offset;
        }
        if (size < header || !m_span.has(m_offset, size))
            return std::nullopt;
        const Box box{type, {m_span.data + m_offset + header, size - header}};
        m_offset += size;
        return box;
    }

    std::optional<Box> find(quint32 type)
    {
        while (const auto box = next()) {
            if (box->type == type)
                return box;
        }
        return std::nullopt;
    }

private:
    Span m_span;
    qint64 m_offset = 0;
};

std::optional<Box> child(Span span, quint32 type)
{
    return BoxWalker(span).find(type);
}

// The timescale of an mvhd or mdhd box (version 0 or 1); 0 when it has none.
qint64 timescaleOf(Span header)
{
    if (!header.has(0, 4))
        return 0;
    const qint64 offset = header.data[0] == 1 ? 20 : 12;
    return header.has(offset, 4) ? header.u32(offset) : 0;
}

// The sum of the sample durations of an stts box; -1 when it is malformed.
qint64 sampleTableFrames(Span stts)
{
    if (!stts.has(0, 8))
        return -1;
    const qint64 entries = stts.u32(4);
    if (!stts.has(8, entries * 8))
        return -1;
    qint64 total = 0;
    for (qint64 i = 0; i < entries; ++i) {
        // Two 32-bit factors: the product fits 64 unsigned bits.
        const quint64 frames = quint64(stts.u32(8 + i * 8)) * stts.u32(12 + i * 8);
        if (frames > quint64(std::numeric_limits<qint64>::max() - total))
            return -1;
        total += qint64(frames);
    }
    return total;
}

// One edit that plays the media from a point at normal speed is what an AAC
// encoder's priming looks like; other edit lists are not understood here.
std::optional<Mp4Timing::Edit> editOf(Span elst, qint64 movieTimescale, qint64 mediaTimescale)
{
    if (!elst.has(0, 8) || elst.u32(4) != 1)
        return std::nullopt;
    const bool wide = elst.data[0] == 1;
    const qint64 entryBytes = wide ? 20 : 12;
    if (!elst.has(8, entryBytes))
        return std::nullopt;
    const quint64 duration = wide ? elst.u64(8) : elst.u32(8);
    const qint64 mediaTime = wide ? qint64(elst.u64(16)) : qint32(elst.u32(12));
    const qint32 rate = qint32(elst.u32(8 + entryBytes - 4));
    if (mediaTime < 0 || rate != kUnitMediaRate
        || duration > quint64(std::numeric_limits<qint64>::max()))
        return std::nullopt;
    // The edit's duration is in the movie's units, often milliseconds: rounded
    // up, since the sample tables cap it anyway.
    const qint64 mediaDuration =
        av_rescale_rnd(qint64(duration), mediaTimescale, movieTimescale, AV_ROUND_UP);
    if (mediaDuration < 0)
        return std::nullopt;
    return Mp4Timing::Edit{mediaTime, mediaDuration};
}

QByteArray textAfter(Span box, qint64 skip)
{
    if (!box.has(skip, 0))
        return {};
    return QByteArray(reinterpret_cast<const char *>(box.data + skip), box.size - skip);
}

// The iTunSMPB text of moov/udta/meta/ilst, if there is one.
QByteArray gaplessText(Span moov)
{
    const auto udta = child(moov, fourcc("udta"));
    const auto meta = udta ? child(udta->body, fourcc("meta")) : std::nullopt;
    if (!meta || !meta->body.has(0, 4))
        return {};
    // meta is a full box (version and flags first) in MP4, a plain one in QuickTime.
    const Span metaChildren = meta->body.u32(0) == 0 ? meta->body.from(4) : meta->body;
    const auto ilst = child(metaChildren, fourcc("ilst"));
    if (!ilst)
        return {};
    BoxWalker items(ilst->body);
    while (const auto item = items.next()) {
        if (item->type != fourcc("----"))
            continue;
        const auto name = child(item->body, fourcc("name"));
        const auto data = child(item->body, fourcc("data"));
        if (name && data && textAfter(name->body, 4) == kGaplessName)
            return textAfter(data->body, 8);
    }
    return {};
}

// " 00000000 00000840 000001CA 00000000003F31F6 ...": a zero, the priming, the
// padding and the frames played, in hexadecimal.
std::optional<Mp4Timing::Gapless> gaplessOf(const QByteArray &text)
{
    const QList<QByteArray> fields = text.simplified().split(' ');
    if (fields.size() < 4)
        return std::nullopt;
    bool primingOk = false;
    bool framesOk = false;
    const qint64 priming = fields[1].toLongLong(&primingOk, 16);
    const qint64 frames = fields[3].toLongLong(&framesOk, 16);
    if (!primingOk || !framesOk || priming < 0 || priming >= kMaxGaplessPriming || frames < 0)
        return std::nullopt;
    return Mp4Timing::Gapless{priming, frames};
}

bool isSoundTrack(Span mdia)
{
    const auto hdlr = child(mdia, fourcc("hdlr"));
    return hdlr && hdlr->body.has(8, 4) && hdlr->body.u32(8) == fourcc("soun");
}

std::optional<Mp4Timing> timingOf(Span moov)
{
    const auto mvhd = child(moov, fourcc("mvhd"));
    const qint64 movieTimescale = mvhd ? timescaleOf(mvhd->body) : 0;
    if (movieTimescale <= 0)
        return std::nullopt;
    std::optional<Mp4Timing> timing;
    BoxWalker boxes(moov);
    while (const auto trak = boxes.next()) {
        if (trak->type == fourcc("mvex"))
            return std::nullopt;  // fragmented: the tables hold no samples
        const auto mdia =
            trak->type == fourcc("trak") ? child(trak->body, fourcc("mdia")) : std::nullopt;
        if (!mdia || !isSoundTrack(mdia->body))
            continue;
        if (timing)
            return std::nullopt;  // which track plays is the demuxer's choice
        const auto mdhd = child(mdia->body, fourcc("mdhd"));
        const auto minf = child(mdia->body, fourcc("minf"));
        const auto stbl = minf ? child(minf->body, fourcc("stbl")) : std::nullopt;
        const auto stts = stbl ? child(stbl->body, fourcc("stts")) : std::nullopt;
        const qint64 timescale = mdhd ? timescaleOf(mdhd->body) : 0;
        const qint64 frames = stts ? sampleTableFrames(stts->body) : -1;
        if (timescale <= 0 || frames < 0)
            return std::nullopt;
        std::optional<Mp4Timing::Edit> edit;
        if (const auto edts = child(trak->body, fourcc("edts"))) {
            if (const auto elst = child(edts->body, fourcc("elst"))) {
                edit = editOf(elst->body, movieTimescale, timescale);
                if (!edit)
                    return std::nullopt;
            }
        }
        timing.emplace(timescale, frames, edit, gaplessOf(gaplessText(moov)));
    }
    return timing;
}

}  // namespace

Mp4Timing::Mp4Timing(qint64 timescale, qint64 tableFrames, std::optional<Edit> edit,
                     std::optional<Gapless> gapless)
    : m_timescale(timescale), m_tableFrames(tableFrames), m_edit(edit), m_gapless(gapless)
{}

std::optional<Mp4Timing> Mp4Timing::read(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Every top-level box must lie whole inside the file: a cut file holds
    // fewer samples than its tables list.
    QByteArray moov;
    const qint64 fileSize = file.size();
    qint64 offset = 0;
    while (offset < fileSize) {
        uchar header[kLargeBoxHeaderBytes] = {};
        if (!file.seek(offset)
            || file.read(reinterpret_cast<char *>(header), kBoxHeaderBytes) != kBoxHeaderBytes)
            return std::nullopt;
        qint64 size = qFromBigEndian<quint32>(header);
        const quint32 type = qFromBigEndian<quint32>(header + 4);
        if (size == 1) {
            if (file.read(reinterpret_cast<char *>(header + kBoxHeaderBytes), 8) != 8)
                return std::nullopt;
            const quint64 large = qFromBigEndian<quint64>(header + kBoxHeaderBytes);
            size = large > quint64(fileSize) ? fileSize + 1 : qint64(large);
        } else if (size == 0) {
            size = fileSize - offset;
        }
        if (size < kBoxHeaderBytes || size > fileSize - offset || type == fourcc("moof"))
            return std::nullopt;
        if (type == fourcc("moov")) {
            if (!moov.isEmpty() || size > kMaxMovieBytes || !file.seek(offset))
                return std::nullopt;
            moov = file.read(size);
            if (moov.size() != size)
                return std::nullopt;
        }
        offset += size;
    }
    const Span whole{reinterpret_cast<const uchar *>(moov.constData()), moov.size()};
    const auto box = child(whole, fourcc("moov"));
    return box ? timingOf(box->body) : std::nullopt;
}

qint64 Mp4Timing::playedFrames() const
{
    if (m_edit)
        return std::clamp<qint64>(m_tableFrames - m_edit->mediaTime, 0, m_edit->duration);
    // FFmpeg drops the priming that the tag names.
    if (m_gapless)
        return std::clamp<qint64>(m_tableFrames - m_gapless->priming, 0, m_gapless->frames);
    return m_tableFrames;
}
