#include "audio/decode/oggpagescanner.h"

#include "audio/core/avdeleters.h"
#include "audio/decode/flacframeheader.h"

#include <QByteArray>
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

// The bytes of each packet kept for telling its length: a FLAC frame header at most.
constexpr int kPacketHeadBytes = 16;
constexpr int kVorbisHeaderPackets = 3;
constexpr int kVorbisSetupPacket = 2;
// The header packets kept whole (identification, Vorbis setup) are small; one
// past this is no header.
constexpr qint64 kMaxKeptPacketBytes = qint64{1024} * 1024;
// What libavcodec's Vorbis parser takes: the three headers in Xiph lacing, of
// which the comment header may be a bare stub.
constexpr char kXiphLacedHeaders = 2;
const QByteArray kVorbisCommentStub = QByteArrayLiteral("\x03vorbis");
constexpr int kOpusHeaderPackets = 2;
constexpr qint64 kOpusHeadBytes = 19;
constexpr int kOpusPreSkipAt = 10;
// 120 ms at 48 kHz, the longest an Opus packet may play.
constexpr qint64 kOpusMaxPacketFrames = 5760;
constexpr qint64 kFlacMappingBytes = 13;
constexpr int kFlacHeaderCountAt = 7;

struct CodecFacts {
    OggPageScanner::Codec codec;
    int headerPackets = 0;
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
    if (startsWith(packet, size, "\x01vorbis"))
        return CodecFacts{Codec::Vorbis, kVorbisHeaderPackets, 0};
    if (size >= kOpusHeadBytes && startsWith(packet, size, "OpusHead"))
        return CodecFacts{Codec::Opus, kOpusHeaderPackets,
                          qFromLittleEndian<quint16>(packet + kOpusPreSkipAt)};
    if (size >= kFlacMappingBytes
        && startsWith(packet, size,
                      "\x7F"
                      "FLAC")) {
        const int moreHeaders = qFromBigEndian<quint16>(packet + kFlacHeaderCountAt);
        if (moreHeaders == 0)
            return std::nullopt;  // "unknown": audio could not be told from headers
        return CodecFacts{Codec::Flac, 1 + moreHeaders, 0};
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

QByteArray xiphLacing(qint64 size)
{
    return QByteArray(int(size / 255), char(255)) + char(size % 255);
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
    bool keepsPacket() const;
    bool packetEnded(qint64 &audioFrames, int &audioPackets);
    std::optional<qint64> audioPacketFrames();
    bool page();
    bool header(const uchar *page, qint64 pageBytes);
    bool packets(const uchar *lacing, int segments, const uchar *body, qint64 &audioFrames,
                 int &audioPackets);
    bool granule(qint64 position, qint64 audioFrames, int audioPackets, bool packetEnded);

    const uchar *m_data;
    qint64 m_size;
    VorbisParseContextPtr m_vorbis;
    QByteArray m_vorbisIdent;
    qint64 m_offset = 0;
    qint64 m_pages = 0;
    quint32 m_serial = 0;
    quint32 m_nextSequence = 0;
    bool m_packetOpen = false;
    bool m_ended = false;
    std::optional<CodecFacts> m_facts;
    int m_packetsDone = 0;
    // The packet being read, which may span pages: whole where it is kept,
    // else its first bytes.
    QByteArray m_packet;
    uchar m_packetHead[kPacketHeadBytes] = {};
    int m_packetHeadBytes = 0;
    bool m_audioSeen = false;
    qint64 m_granule = 0;
    qint64 m_startGranule = 0;
};

bool PageWalk::keepsPacket() const
{
    return m_packetsDone == 0
           || (m_facts->codec == OggPageScanner::Codec::Vorbis
               && m_packetsDone == kVorbisSetupPacket);
}

bool PageWalk::packetEnded(qint64 &audioFrames, int &audioPackets)
{
    if (m_packetsDone == 0) {
        m_facts = identify(reinterpret_cast<const uchar *>(m_packet.constData()), m_packet.size());
        if (!m_facts)
            return false;
        m_vorbisIdent = m_packet;
    } else if (m_facts->codec == OggPageScanner::Codec::Vorbis
               && m_packetsDone == kVorbisSetupPacket) {
        const QByteArray headers = kXiphLacedHeaders + xiphLacing(m_vorbisIdent.size())
                                   + xiphLacing(kVorbisCommentStub.size()) + m_vorbisIdent
                                   + kVorbisCommentStub + m_packet;
        m_vorbis.reset(av_vorbis_parse_init(reinterpret_cast<const uint8_t *>(headers.constData()),
                                            int(headers.size())));
        if (!m_vorbis)
            return false;
    } else if (m_packetsDone >= m_facts->headerPackets) {
        const std::optional<qint64> frames = audioPacketFrames();
        if (!frames)
            return false;
        audioFrames += *frames;
        ++audioPackets;
    }
    ++m_packetsDone;
    m_packet.clear();
    m_packetHeadBytes = 0;
    return true;
}

// The frames the audio packet just ended decodes to.
std::optional<qint64> PageWalk::audioPacketFrames()
{
    // An empty packet (a muxer's way to mark the end) decodes to nothing.
    if (m_packetHeadBytes == 0)
        return 0;
    switch (m_facts->codec) {
    case OggPageScanner::Codec::Opus:
        return opusPacketFrames(m_packetHead, m_packetHeadBytes);
    case OggPageScanner::Codec::Vorbis: {
        const int frames = av_vorbis_parse_frame(m_vorbis.get(), m_packetHead, m_packetHeadBytes);
        if (frames < 0)
            return std::nullopt;
        // The first audio packet only primes the overlap and decodes to nothing.
        return m_packetsDone == m_facts->headerPackets ? 0 : frames;
    }
    case OggPageScanner::Codec::Flac: {
        const auto header = FlacFrameHeader::parse(m_packetHead, m_packetHeadBytes, 0);
        if (!header)
            return std::nullopt;
        return header->blockFrames();
    }
    }
    return std::nullopt;
}

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
    int audioPackets = 0;
    const int packetsBefore = m_packetsDone;
    if (!packets(lacing, segments, lacing + segments, audioFrames, audioPackets))
        return false;
    if (!granule(qFromLittleEndian<qint64>(page + kGranuleAt), audioFrames, audioPackets,
                 m_packetsDone != packetsBefore))
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
                       int &audioPackets)
{
    qint64 at = 0;
    for (int i = 0; i < segments; ++i) {
        const int length = lacing[i];
        if (keepsPacket()) {
            if (m_packet.size() + length > kMaxKeptPacketBytes)
                return false;
            m_packet.append(reinterpret_cast<const char *>(body + at), length);
        }
        for (int b = 0; m_packetHeadBytes < kPacketHeadBytes && b < length; ++b)
            m_packetHead[m_packetHeadBytes++] = body[at + b];
        at += length;
        if (length < kFullSegment && !packetEnded(audioFrames, audioPackets))
            return false;
    }
    if (segments > 0)
        m_packetOpen = lacing[segments - 1] == kFullSegment;
    return true;
}

bool PageWalk::granule(qint64 position, qint64 audioFrames, int audioPackets, bool packetEnded)
{
    if (!packetEnded)
        return position == kNoGranule || position == m_granule;
    if (position < 0)
        return false;
    if (audioPackets == 0)
        return position == 0;  // header pages
    if (!m_audioSeen) {
        // The first audio page sets where the stream starts, which may be later than 0.
        m_audioSeen = true;
        if (position < audioFrames)
            return false;
        m_startGranule = position - audioFrames;
        m_granule = position;
        return true;
    }
    // Only as much as the page's packets play (less at the end), and never backwards.
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
