#include "audio/tags/tagreader.h"

#include "audio/tags/booktagnames.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/oggflacfile.h>
#include <taglib/opusfile.h>
#include <taglib/tag.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <functional>

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
// handed to TagLib's parsers. onId3 is given the ID3v2 tag and says whether it
// has what is looked for; the INFO title is the fallback.
QString rf64Title(QFile &file, const std::function<bool(const TagLib::ID3v2::Tag &)> &onId3)
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
                if (tagged.hasID3v2Tag() && onId3(*tagged.ID3v2Tag()))
                    return fromTagLib(tagged.ID3v2Tag()->title());
            } else if (id == "LIST" && data.startsWith("INFO")) {
                infoTitle = fromTagLib(TagLib::RIFF::Info::Tag(bytes.mid(4)).title());
            }
        }
        offset = body + size + (size & 1);
    }
    return infoTitle;
}

QString id3Text(const TagLib::ID3v2::Tag &tag, const char *id)
{
    const TagLib::ID3v2::FrameList frames = tag.frameList(TagLib::ByteVector(id, 4));
    return frames.isEmpty() ? QString() : fromTagLib(frames.front()->toString());
}

// The description as a user text frame, else as a comment described so.
QString id3Description(const TagLib::ID3v2::Tag &tag)
{
    const TagLib::String name(kId3BookTags.description);
    for (const TagLib::ID3v2::Frame *frame : tag.frameList("TXXX")) {
        const auto *text = dynamic_cast<const TagLib::ID3v2::UserTextIdentificationFrame *>(frame);
        if (text && text->description().upper() == name && text->fieldList().size() > 1)
            return fromTagLib(text->fieldList()[1]);
    }
    for (const TagLib::ID3v2::Frame *frame : tag.frameList("COMM")) {
        const auto *comment = dynamic_cast<const TagLib::ID3v2::CommentsFrame *>(frame);
        if (comment && comment->description().upper() == name)
            return fromTagLib(comment->text());
    }
    return {};
}

// The series as the movement, else as the content group; a part "3/5" is 3.
BookTags id3BookTags(const TagLib::ID3v2::Tag &tag)
{
    BookTags book;
    book.albumArtist = id3Text(tag, kId3BookTags.albumArtist);
    book.composer = id3Text(tag, kId3BookTags.composer);
    book.description = id3Description(tag);
    book.series = id3Text(tag, kId3BookTags.series);
    if (book.series.isEmpty())
        book.series = id3Text(tag, kId3SeriesGroup);
    book.seriesPart = id3Text(tag, kId3BookTags.seriesPart).section(QLatin1Char('/'), 0, 0);
    return book;
}

QString xiphText(const TagLib::Ogg::XiphComment &comment, const char *field)
{
    const TagLib::Ogg::FieldListMap &fields = comment.fieldListMap();
    const auto found = fields.find(field);
    return found == fields.end() || found->second.isEmpty() ? QString()
                                                            : fromTagLib(found->second.front());
}

BookTags xiphBookTags(const TagLib::Ogg::XiphComment &comment)
{
    BookTags book;
    book.albumArtist = xiphText(comment, kXiphBookTags.albumArtist);
    // Some taggers spell it so.
    if (book.albumArtist.isEmpty())
        book.albumArtist = xiphText(comment, "ALBUM ARTIST");
    book.composer = xiphText(comment, kXiphBookTags.composer);
    book.description = xiphText(comment, kXiphBookTags.description);
    book.series = xiphText(comment, kXiphBookTags.series);
    book.seriesPart = xiphText(comment, kXiphBookTags.seriesPart);
    return book;
}

QString mp4Text(const TagLib::MP4::Tag &tag, const char *name)
{
    const TagLib::MP4::Item item = tag.item(TagLib::String(name, TagLib::String::Latin1));
    const TagLib::StringList texts = item.toStringList();
    return texts.isEmpty() ? QString() : fromTagLib(texts.front());
}

BookTags mp4BookTags(const TagLib::MP4::Tag &tag)
{
    BookTags book;
    book.albumArtist = mp4Text(tag, kMp4BookTags.albumArtist);
    book.composer = mp4Text(tag, kMp4BookTags.composer);
    book.description = mp4Text(tag, kMp4BookTags.description);
    if (book.description.isEmpty())
        book.description = mp4Text(tag, kMp4ShortDescription);
    book.series = mp4Text(tag, kMp4BookTags.series);
    if (book.series.isEmpty())
        book.series = mp4Text(tag, kMp4SeriesGroup);
    const TagLib::String partItem(kMp4BookTags.seriesPart, TagLib::String::Latin1);
    if (tag.contains(partItem))
        book.seriesPart = QString::number(tag.item(partItem).toInt());
    return book;
}

QString asfText(const TagLib::ASF::Tag &tag, const char *name)
{
    const TagLib::ASF::AttributeList attributes = tag.attribute(name);
    return attributes.isEmpty() ? QString() : fromTagLib(attributes.front().toString());
}

BookTags asfBookTags(const TagLib::ASF::Tag &tag)
{
    BookTags book;
    book.albumArtist = asfText(tag, kAsfBookTags.albumArtist);
    book.composer = asfText(tag, kAsfBookTags.composer);
    book.description = asfText(tag, kAsfBookTags.description);
    book.series = asfText(tag, kAsfBookTags.series);
    book.seriesPart = asfText(tag, kAsfBookTags.seriesPart);
    return book;
}

BookTags fileBookTags(TagLib::File &file)
{
    if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(&file))
        return mpeg->hasID3v2Tag() ? id3BookTags(*mpeg->ID3v2Tag()) : BookTags();
    if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(&file))
        return wav->hasID3v2Tag() ? id3BookTags(*wav->ID3v2Tag()) : BookTags();
    if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(&file))
        return aiff->hasID3v2Tag() ? id3BookTags(*aiff->tag()) : BookTags();
    if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(&file))
        return flac->hasXiphComment() ? xiphBookTags(*flac->xiphComment()) : BookTags();
    if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(&file))
        return mp4->hasMP4Tag() ? mp4BookTags(*mp4->tag()) : BookTags();
    if (auto *asf = dynamic_cast<TagLib::ASF::File *>(&file))
        return asfBookTags(*asf->tag());
    // The OGG files: their one tag is a Xiph comment.
    if (auto *comment = dynamic_cast<TagLib::Ogg::XiphComment *>(file.tag()))
        return xiphBookTags(*comment);
    return {};
}

}  // namespace

BookTags TagReader::bookTags(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Format format = sniff(file);
    if (format == Format::Rf64) {
        BookTags book;
        rf64Title(file, [&book](const TagLib::ID3v2::Tag &tag) {
            book = id3BookTags(tag);
            return true;
        });
        return book;
    }
    const QByteArray path = QFile::encodeName(fileName);
    const std::unique_ptr<TagLib::File> tagged = open(format, path.constData());
    if (!tagged || !tagged->isValid())
        return {};
    return fileBookTags(*tagged);
}

QString TagReader::title(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const Format format = sniff(file);
    if (format == Format::Rf64)
        return rf64Title(file,
                         [](const TagLib::ID3v2::Tag &tag) { return !tag.title().isEmpty(); });
    const QByteArray path = QFile::encodeName(fileName);
    const std::unique_ptr<TagLib::File> tagged = open(format, path.constData());
    if (!tagged || !tagged->isValid() || !tagged->tag())
        return {};
    return fromTagLib(tagged->tag()->title());
}
