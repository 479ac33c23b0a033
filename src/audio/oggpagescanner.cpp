#include "audio/oggpagescanner.h"

#include <QFile>
#include <QtEndian>

#include <cstring>

extern "C" {
#include <libavutil/crc.h>
}

namespace {

constexpr qint64 kPageHeaderBytes = 27;
constexpr qint64 kGranuleAt = 6;
constexpr qint64 kSerialAt = 14;
constexpr qint64 kSequenceAt = 18;
constexpr qint64 kChecksumAt = 22;
constexpr qint64 kSegmentCountAt = 26;
constexpr quint8 kContinuedPacket = 0x01;
constexpr quint8 kFirstPage = 0x02;
constexpr quint8 kLastPage = 0x04;
// A segment of this size continues its packet; a shorter one ends it.
constexpr quint8 kFullSegment = 255;
// The granule position of a page on which no packet ends.
constexpr qint64 kNoGranule = -1;

constexpr int kVorbisHeaderPackets = 3;
constexpr qint64 kVorbisIdentBytes = 30;
constexpr int kVorbisBlockSizesAt = 28;
constexpr int kVorbisMinBlockExponent = 6;
constexpr int kVorbisMaxBlockExponent = 13;
constexpr int kOpusHeaderPackets = 2;
constexpr qint64 kOpusHeadBytes = 19;
constexpr int kOpusPreSkipAt = 10;
// 120 ms at 48 kHz, the longest an Opus packet may play.
constexpr qint64 kOpusMaxPacketFrames = 5760;
constexpr qint64 kFlacMappingBytes = 13;
constexpr int kFlacHeaderCountAt = 7;
constexpr qint64 kFlacMaxBlockFrames = 65535;

struct CodecFacts {
    OggPageScanner::Codec codec;
    int headerPackets = 0;
    // The most frames one audio packet can decode to.
    qint64 maxPacketFrames = 0;
    qint64 preSkip = 0;
};

bool startsWith(const uchar *data, qint64 size, const char *magic)
{
    const auto length = qint64(std::strlen(magic));
    return size >= length && std::memcmp(data, magic, size_t(length)) == 0;
}

// From the stream's first packet, its identification header.
std::optional<CodecFacts> identify(const uchar *packet, qint64 size)
{
    using Codec = OggPageScanner::Codec;
    if (size >= kVorbisIdentBytes && startsWith(packet, size, "\x01vorbis")) {
        const int exponent = packet[kVorbisBlockSizesAt] >> 4;
        if (exponent < kVorbisMinBlockExponent || exponent > kVorbisMaxBlockExponent)
            return std::nullopt;
        // A packet ends the overlap of two blocks: at most half the long block.
        return CodecFacts{Codec::Vorbis, kVorbisHeaderPackets, (qint64(1) << exponent) / 2, 0};
    }
    if (size >= kOpusHeadBytes && startsWith(packet, size, "OpusHead"))
        return CodecFacts{Codec::Opus, kOpusHeaderPackets, kOpusMaxPacketFrames,
                          qFromLittleEndian<quint16>(packet + kOpusPreSkipAt)};
    if (size >= kFlacMappingBytes
        && startsWith(packet, size,
                      "\x7F"
                      "FLAC")) {
        const int moreHeaders = qFromBigEndian<quint16>(packet + kFlacHeaderCountAt);
        if (moreHeaders == 0)
            return std::nullopt;  // "unknown": audio could not be told from headers
        return CodecFacts{Codec::Flac, 1 + moreHeaders, kFlacMaxBlockFrames, 0};
    }
    return std::nullopt;
}

// The frames an Opus packet decodes to at 48 kHz, from its first two bytes
// (RFC 6716, 3.1); nothing when the packet is malformed.
std::optional<qint64> opusPacketFrames(const uchar *head, int headBytes)
{
    if (headBytes < 1)
        return std::nullopt;
    const int config = head[0] >> 3;
    // SILK frames last 10, 20, 40 or 60 ms, hybrid ones 10 or 20, CELT ones 2.5 to 20.
    static constexpr qint64 kSilkFrameSizes[4] = {480, 960, 1920, 2880};
    qint64 frameSize = 0;
    if (config < 12)
        frameSize = kSilkFrameSizes[config & 3];
    else if (config < 16)
        frameSize = config & 1 ? 960 : 480;
    else
        frameSize = qint64(120) << (config & 3);
    qint64 frames = 1;
    switch (head[0] & 3) {
    case 1:
    case 2:
        frames = 2;
        break;
    case 3:
        if (headBytes < 2)
            return std::nullopt;
        frames = head[1] & 0x3F;
        break;
    default:
        break;
    }
    const qint64 total = frames * frameSize;
    if (frames == 0 || total > kOpusMaxPacketFrames)
        return std::nullopt;
    return total;
}

// Walks the pages of one mapped file.
class PageWalk {
public:
    PageWalk(const uchar *data, qint64 size) : m_data(data), m_size(size) {}

    std::optional<OggPageScanner::Stream> run()
    {
        while (m_offset < m_size) {
            if (m_ended || !page())
                return std::nullopt;
        }
        if (!m_ended || !m_audioSeen || !m_facts)
            return std::nullopt;
        OggPageScanner::Stream stream;
        stream.codec = m_facts->codec;
        stream.lastGranule = m_granule;
        stream.preSkip = m_facts->preSkip;
        stream.startGranule = m_startGranule;
        return stream;
    }

private:
    bool page();
    bool header(const uchar *page, qint64 pageBytes);
    bool packets(const uchar *lacing, int segments, const uchar *body, qint64 &audioFrames,
                 int &packetsEnded);
    bool granule(qint64 position, qint64 audioFrames, int packetsEnded);

    const uchar *m_data;
    qint64 m_size;
    qint64 m_offset = 0;
    qint64 m_pages = 0;
    quint32 m_serial = 0;
    quint32 m_nextSequence = 0;
    bool m_packetOpen = false;
    bool m_ended = false;
    std::optional<CodecFacts> m_facts;
    int m_packetsDone = 0;
    // The first bytes of the packet being read, which may span pages.
    uchar m_packetHead[2] = {};
    int m_packetHeadBytes = 0;
    bool m_audioSeen = false;
    qint64 m_granule = 0;
    std::optional<qint64> m_startGranule;
};

bool PageWalk::page()
{
    const uchar *page = m_data + m_offset;
    const qint64 left = m_size - m_offset;
    if (left < kPageHeaderBytes || !startsWith(page, left, "OggS") || page[4] != 0)
        return false;
    const int segments = page[kSegmentCountAt];
    if (left < kPageHeaderBytes + segments)
        return false;
    const uchar *lacing = page + kPageHeaderBytes;
    qint64 bodyBytes = 0;
    for (int i = 0; i < segments; ++i)
        bodyBytes += lacing[i];
    const qint64 pageBytes = kPageHeaderBytes + segments + bodyBytes;
    if (left < pageBytes || !header(page, pageBytes))
        return false;
    qint64 audioFrames = 0;
    int packetsEnded = 0;
    if (!packets(lacing, segments, lacing + segments, audioFrames, packetsEnded))
        return false;
    if (!granule(qFromLittleEndian<qint64>(page + kGranuleAt), audioFrames, packetsEnded))
        return false;
    m_offset += pageBytes;
    ++m_pages;
    return true;
}

bool PageWalk::header(const uchar *page, qint64 pageBytes)
{
    static const AVCRC *table = av_crc_get_table(AV_CRC_32_IEEE);
    const quint8 flags = page[5];
    if (flags & ~(kContinuedPacket | kFirstPage | kLastPage))
        return false;
    const quint32 serial = qFromLittleEndian<quint32>(page + kSerialAt);
    const quint32 sequence = qFromLittleEndian<quint32>(page + kSequenceAt);
    const bool first = m_pages == 0;
    if (bool(flags & kFirstPage) != first || bool(flags & kContinuedPacket) != m_packetOpen)
        return false;
    if (!first && (serial != m_serial || sequence != m_nextSequence))
        return false;
    m_serial = serial;
    m_nextSequence = sequence + 1;
    m_ended = flags & kLastPage;
    // The checksum covers the whole page with its own field read as zero.
    // FFmpeg's table gives the checksum with its bytes swapped, so the field,
    // stored little-endian, is read big-endian to match.
    static constexpr uchar kZeros[4] = {};
    quint32 crc = av_crc(table, 0, page, kChecksumAt);
    crc = av_crc(table, crc, kZeros, sizeof kZeros);
    crc = av_crc(table, crc, page + kChecksumAt + 4, size_t(pageBytes - kChecksumAt - 4));
    return crc == qFromBigEndian<quint32>(page + kChecksumAt);
}

bool PageWalk::packets(const uchar *lacing, int segments, const uchar *body, qint64 &audioFrames,
                       int &packetsEnded)
{
    qint64 at = 0;
    qint64 packetStart = 0;
    for (int i = 0; i < segments; ++i) {
        const int length = lacing[i];
        for (int b = 0; m_packetHeadBytes < 2 && b < length; ++b)
            m_packetHead[m_packetHeadBytes++] = body[at + b];
        at += length;
        if (length == kFullSegment)
            continue;
        if (!m_facts) {
            // The identification header stands alone on the first page.
            if (m_pages != 0 || packetStart != 0)
                return false;
            m_facts = identify(body, at);
            if (!m_facts)
                return false;
        } else if (m_packetsDone >= m_facts->headerPackets) {
            if (m_facts->codec == OggPageScanner::Codec::Opus) {
                const auto frames = opusPacketFrames(m_packetHead, m_packetHeadBytes);
                if (!frames)
                    return false;
                audioFrames += *frames;
            } else {
                audioFrames += m_facts->maxPacketFrames;
            }
        }
        ++m_packetsDone;
        ++packetsEnded;
        m_packetHeadBytes = 0;
        packetStart = at;
    }
    if (segments > 0)
        m_packetOpen = lacing[segments - 1] == kFullSegment;
    return m_facts.has_value();
}

bool PageWalk::granule(qint64 position, qint64 audioFrames, int packetsEnded)
{
    if (packetsEnded == 0)
        return position == kNoGranule || position == m_granule;
    if (position < 0)
        return false;
    if (audioFrames == 0)
        return position == 0;  // header pages
    if (!m_audioSeen) {
        // The first audio page sets where the stream starts, which may be later than 0.
        m_audioSeen = true;
        if (m_facts->codec == OggPageScanner::Codec::Opus) {
            if (position < audioFrames)
                return false;
            m_startGranule = position - audioFrames;
        }
        m_granule = position;
        return true;
    }
    // Only as much as the page's packets can play, and never backwards.
    if (position < m_granule || position - m_granule > audioFrames)
        return false;
    m_granule = position;
    return true;
}

}  // namespace

std::optional<OggPageScanner::Stream> OggPageScanner::scan(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly) || file.size() <= 0)
        return std::nullopt;
    const uchar *data = file.map(0, file.size());
    if (!data)
        return std::nullopt;
    return PageWalk(data, file.size()).run();
}
