#include "audio/tags/tagreader.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>

#include <memory>

namespace {

enum class Format { Mpeg, Wav, Rf64, Aiff, Asf, OggVorbis, OggOpus, OggFlac, Flac, Mp4, Unknown };

constexpr qint64 kId3HeaderBytes = 10;
constexpr char kId3FooterFlag = 0x10;
constexpr qint64 kOggSegmentCountAt = 26;
constexpr qint64 kOggHeaderBytes = 27;
constexpr qint64 kOggMaxSegments = 255;
// Enough for every format's magic, the first OGG packet's behind the longest
// segment table included.
constexpr qint64 kSniffBytes = kOggHeaderBytes + kOggMaxSegments + 16;
constexpr char kAsfHeaderGuid[] =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C";
constexpr qint64 kChunkHeaderBytes = 8;
// An RF64 chunk whose 32-bit size is this takes its size from the ds64 chunk.
constexpr quint32 kRf64SizeInDs64 = 0xFFFFFFFF;
constexpr qint64 kDs64DataSizeAt = 8;
// Tag chunks larger than this are no tags.
constexpr qint64 kMaxTagChunkBytes = qint64{64} * 1024 * 1024;

QString fromTagLib(const TagLib::String &text)
{
    return QString::fromStdWString(text.toWString());
}

// A leading ID3v2 tag's whole length (header, body, footer); 0 when there is none.
qint64 id3Length(const QByteArray &head)
{
    if (head.size() < kId3HeaderBytes || !head.startsWith("ID3"))
        return 0;
    qint64 size = 0;
    for (int i = 6; i < kId3HeaderBytes; ++i)
        size = size << 7 | (quint8(head[i]) & 0x7F);
    return kId3HeaderBytes + size + (head[5] & kId3FooterFlag ? kId3HeaderBytes : 0);
}

Format oggFormat(const QByteArray &head)
{
    if (head.size() <= kOggSegmentCountAt)
        return Format::Unknown;
    const QByteArray packet = head.mid(kOggHeaderBytes + quint8(head[kOggSegmentCountAt]));
    if (packet.startsWith("\x01vorbis"))
        return Format::OggVorbis;
    if (packet.startsWith("OpusHead"))
        return Format::OggOpus;
    if (packet.startsWith("\x7F"
                          "FLAC"))
        return Format::OggFlac;
    return Format::Unknown;
}

Format sniff(QFile &file)
{
    const QByteArray head = file.read(kSniffBytes);
    // Behind a leading ID3v2 tag: FLAC, or else MPEG audio (MP3, ADTS AAC).
    if (const qint64 tagLength = id3Length(head)) {
        file.seek(tagLength);
        return file.read(4) == "fLaC" ? Format::Flac : Format::Mpeg;
    }
    if (head.startsWith("fLaC"))
        return Format::Flac;
    if (head.startsWith("OggS"))
        return oggFormat(head);
    if (head.startsWith(QByteArray(kAsfHeaderGuid, 16)))
        return Format::Asf;
    if (head.mid(4, 4) == "ftyp")
        return Format::Mp4;
    if (head.mid(8, 4) == "WAVE")
        return head.startsWith("RIFF")   ? Format::Wav
               : head.startsWith("RF64") ? Format::Rf64
                                         : Format::Unknown;
    if (head.startsWith("FORM") && (head.mid(8, 4) == "AIFF" || head.mid(8, 4) == "AIFC"))
        return Format::Aiff;
    // An MPEG audio frame header (11 sync bits, MPEG 2.5 included) or an ADTS one.
    if (head.size() >= 2 && quint8(head[0]) == 0xFF && (quint8(head[1]) & 0xE0) == 0xE0)
        return Format::Mpeg;
    return Format::Unknown;
}

std::unique_ptr<TagLib::File> open(Format format, const char *path)
{
    switch (format) {
    case Format::Mpeg:
        return std::make_unique<TagLib::MPEG::File>(path, false);
    case Format::Wav:
        return std::make_unique<TagLib::RIFF::WAV::File>(path, false);
    case Format::Aiff:
        return std::make_unique<TagLib::RIFF::AIFF::File>(path, false);
    case Format::Asf:
        return std::make_unique<TagLib::ASF::File>(path, false);
    case Format::OggVorbis:
        return std::make_unique<TagLib::Ogg::Vorbis::File>(path, false);
    case Format::OggOpus:
        return std::make_unique<TagLib::Ogg::Opus::File>(path, false);
    case Format::OggFlac:
        return std::make_unique<TagLib::Ogg::FLAC::File>(path, false);
    case Format::Flac:
        return std::make_unique<TagLib::FLAC::File>(path, false);
    case Format::Mp4:
        return std::make_unique<TagLib::MP4::File>(path, false);
    case Format::Rf64:
    case Format::Unknown:
        break;
    }
    return nullptr;
}

// TagLib does not walk RF64 files: the ID3v2 and INFO chunks are found here and
// handed to TagLib's parsers.
QString rf64Title(QFile &file)
{
    QString infoTitle;
    qint64 dataSize = -1;
    qint64 offset = 12;
    while (file.seek(offset)) {
        const QByteArray header = file.read(kChunkHeaderBytes);
        if (header.size() < kChunkHeaderBytes)
            break;
        const QByteArray id = header.left(4);
        const quint32 size32 = qFromLittleEndian<quint32>(header.constData() + 4);
        const qint64 size = size32 == kRf64SizeInDs64 && id == "data" ? dataSize : size32;
        if (size < 0)
            break;
        const qint64 body = offset + kChunkHeaderBytes;
        if (id != "data" && size <= kMaxTagChunkBytes) {
            const QByteArray data = file.read(size);
            if (id == "ds64" && data.size() >= kDs64DataSizeAt + 8)
                dataSize = qFromLittleEndian<qint64>(data.constData() + kDs64DataSizeAt);
            const TagLib::ByteVector bytes(data.constData(), unsigned(data.size()));
            if (id.toLower() == "id3 ") {
                TagLib::ByteVectorStream stream(bytes);
                TagLib::MPEG::File tagged(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
                if (tagged.hasID3v2Tag() && !tagged.ID3v2Tag()->title().isEmpty())
                    return fromTagLib(tagged.ID3v2Tag()->title());
            } else if (id == "LIST" && data.startsWith("INFO")) {
                infoTitle = fromTagLib(TagLib::RIFF::Info::Tag(bytes.mid(4)).title());
            }
        }
        offset = body + size + (size & 1);
    }
    return infoTitle;
}

}  // namespace

QString TagReader::title(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Format format = sniff(file);
    if (format == Format::Rf64)
        return rf64Title(file);
    const QByteArray path = QFile::encodeName(fileName);
    const std::unique_ptr<TagLib::File> tagged = open(format, path.constData());
    if (!tagged || !tagged->isValid() || !tagged->tag())
        return {};
    return fromTagLib(tagged->tag()->title());
}
