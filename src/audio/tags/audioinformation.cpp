#include "audio/tags/audioinformation.h"

#include "audio/core/audioerror.h"
#include "audio/core/checkedfilestream.h"
#include "audio/tags/booktagnames.h"
#include "audio/tags/rf64tagwriter.h"
#include "audio/tags/taglibshared.h"

#include <QFile>
#include <QtEndian>

#include <optional>

#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2tag.h>
#include <taglib/infotag.h>
#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

namespace {

// The values as they go into a tag; empty or zero means "leave the field out".
struct StoredTags {
    TagLib::String title;
    TagLib::String artist;
    TagLib::String album;
    TagLib::String comment;
    TagLib::String genre;
    // The ID3v1 genre byte; without it the ID3v1 tag looks the genre text up in
    // TagLib's name list, whose spellings differ from some of our captions.
    std::optional<unsigned> id3v1Genre;
    unsigned year = 0;
    unsigned track = 0;
    TagLib::String albumArtist;
    TagLib::String composer;
    TagLib::String description;
    TagLib::String series;
    TagLib::String seriesPart;
    const CoverPicture *cover = nullptr;
};

enum class Container { Mpeg, Wav, Rf64, OggVorbis, Asf, Flac, Mp4, Unknown };

// Enough to reach the data chunk of a WAV that the writer made.
constexpr int kSniffLength = 128;
constexpr qsizetype kRiffHeaderSize = 12;
constexpr qsizetype kChunkHeaderSize = 8;
constexpr char kAsfHeaderGuid[] =
    "\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C";
// ID3v2 comment frames carry a language; readers expect a real one.
const TagLib::ByteVector kCommentLanguage("eng", 3);
// The iTunes type of an M4B: an audiobook, on every M4B output.
constexpr unsigned char kMp4AudiobookKind = 2;
// The ID3v1 genre byte of a genre outside the list.
constexpr unsigned kId3v1NoGenre = 255;

QByteArray toQByteArray(const TagLib::ByteVector &data)
{
    return QByteArray(data.data(), static_cast<qsizetype>(data.size()));
}

QString failure(const QString &fileName, const QString &cause)
{
    return QStringLiteral("Cannot write tags to \"%1\": %2").arg(fileName, cause);
}

// An MPEG audio frame header: 11 sync bits, a layer that is not the reserved 00
// (which also keeps ADTS AAC out).
bool isMpegFrameSync(const QByteArray &head)
{
    if (head.size() < 2)
        return false;
    const auto first = static_cast<unsigned char>(head[0]);
    const auto second = static_cast<unsigned char>(head[1]);
    return first == 0xFF && (second & 0xE0) == 0xE0 && (second & 0x06) != 0;
}

Container sniffContainer(const QByteArray &head)
{
    if (head.startsWith("ID3") || isMpegFrameSync(head))
        return Container::Mpeg;
    if (head.size() >= 12 && head.mid(8, 4) == "WAVE") {
        if (head.startsWith("RIFF"))
            return Container::Wav;
        if (head.startsWith("RF64"))
            return Container::Rf64;
    }
    if (head.startsWith("OggS"))
        return Container::OggVorbis;
    if (head.startsWith(QByteArray(kAsfHeaderGuid, 16)))
        return Container::Asf;
    if (head.startsWith("fLaC"))
        return Container::Flac;
    // An MP4 file opens with its file type box.
    if (head.size() >= 8 && head.mid(4, 4) == "ftyp")
        return Container::Mp4;
    return Container::Unknown;
}

QByteArray readHead(const QString &path, const QString &fileName)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AudioError(failure(fileName, file.errorString()));
    return file.read(kSniffLength);
}

// TagLib's generic setters remove a field when given an empty text or 0.
void fillTag(TagLib::Tag &tag, const StoredTags &values)
{
    tag.setTitle(values.title);
    tag.setArtist(values.artist);
    tag.setAlbum(values.album);
    tag.setComment(values.comment);
    tag.setGenre(values.genre);
    tag.setYear(values.year);
    tag.setTrack(values.track);
}

// As TagLib's own setters: Latin-1, made Unicode on saving where the text needs it.
TagLib::String::Type id3Encoding()
{
    return TagLib::ID3v2::FrameFactory::instance()->defaultTextEncoding();
}

// A text frame holding text, or none at all for an empty one.
void setId3Text(TagLib::ID3v2::Tag &tag, const char *id, const TagLib::String &text)
{
    const TagLib::ByteVector frameId(id, 4);
    tag.removeFrames(frameId);
    if (text.isEmpty())
        return;
    auto *frame = new TagLib::ID3v2::TextIdentificationFrame(frameId, id3Encoding());
    frame->setText(text);
    tag.addFrame(frame);
}

// The series appears as the content group, which most players show, and as
// the movement, which the audiobook players read.
void fillId3v2BookTags(TagLib::ID3v2::Tag &tag, const StoredTags &values)
{
    setId3Text(tag, kId3BookTags.albumArtist, values.albumArtist);
    setId3Text(tag, kId3BookTags.composer, values.composer);
    setId3Text(tag, kId3SeriesGroup, values.series);
    setId3Text(tag, kId3BookTags.series, values.series);
    setId3Text(tag, kId3BookTags.seriesPart, values.seriesPart);
    const TagLib::String description(kId3BookTags.description);
    while (auto *old = TagLib::ID3v2::UserTextIdentificationFrame::find(&tag, description))
        tag.removeFrame(old);
    if (!values.description.isEmpty())
        tag.addFrame(new TagLib::ID3v2::UserTextIdentificationFrame(
            description, TagLib::StringList(values.description), id3Encoding()));
}

TagLib::ByteVector toByteVector(const QByteArray &data)
{
    return {data.constData(), static_cast<unsigned>(data.size())};
}

// Each format's own place for the front cover; without one, any former cover goes.
void putCover(TagLib::ID3v2::Tag &tag, const CoverPicture *cover)
{
    tag.removeFrames("APIC");
    if (!cover)
        return;
    auto *frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setMimeType(toTagLib(cover->mimeType));
    frame->setType(TagLib::ID3v2::AttachedPictureFrame::FrontCover);
    frame->setPicture(toByteVector(cover->data));
    tag.addFrame(frame);
}

TagLib::FLAC::Picture *flacPicture(const CoverPicture &cover)
{
    auto *picture = new TagLib::FLAC::Picture;
    picture->setType(TagLib::FLAC::Picture::FrontCover);
    picture->setMimeType(toTagLib(cover.mimeType));
    picture->setData(toByteVector(cover.data));
    picture->setWidth(cover.width);
    picture->setHeight(cover.height);
    picture->setColorDepth(cover.colorDepth);
    return picture;
}

void putCover(TagLib::Ogg::XiphComment &tag, const CoverPicture *cover)
{
    tag.removeAllPictures();
    if (cover)
        tag.addPicture(flacPicture(*cover));
}

void putCover(TagLib::ASF::Tag &tag, const CoverPicture *cover)
{
    const TagLib::String key("WM/Picture");
    tag.removeItem(key);
    if (!cover)
        return;
    TagLib::ASF::Picture picture;
    picture.setType(TagLib::ASF::Picture::FrontCover);
    picture.setMimeType(toTagLib(cover->mimeType));
    picture.setPicture(toByteVector(cover->data));
    tag.setAttribute(key, TagLib::ASF::Attribute(picture));
}

void putCover(TagLib::MP4::Tag &tag, const CoverPicture *cover)
{
    const TagLib::String key("covr");
    tag.removeItem(key);
    if (!cover)
        return;
    const auto format = cover->isPng() ? TagLib::MP4::CoverArt::PNG : TagLib::MP4::CoverArt::JPEG;
    TagLib::MP4::CoverArtList list;
    list.append(TagLib::MP4::CoverArt(format, toByteVector(cover->data)));
    tag.setItem(key, TagLib::MP4::Item(list));
}

void fillId3v2(TagLib::ID3v2::Tag &tag, const StoredTags &values)
{
    putCover(tag, values.cover);
    fillTag(tag, values);
    fillId3v2BookTags(tag, values);
    for (TagLib::ID3v2::Frame *frame : tag.frameList("COMM")) {
        auto *comment = dynamic_cast<TagLib::ID3v2::CommentsFrame *>(frame);
        if (comment && comment->language() != kCommentLanguage)
            comment->setLanguage(kCommentLanguage);
    }
}

// A file without audio properties is no audio file, whatever its header says.
// An M4B without a single frame has no rate to show, yet its index is whole:
// rateNeeded false takes it.
template <typename File>
void openForWriting(File &file, const CheckedFileStream &stream, const QString &fileName,
                    const char *kind, bool rateNeeded = true)
{
    if (!stream.isOpen())
        throw AudioError(failure(fileName, stream.failure()));
    if (!file.isValid() || !file.audioProperties()
        || (rateNeeded && file.audioProperties()->sampleRate() <= 0))
        throw AudioError(failure(fileName, QStringLiteral("not a readable %1 file").arg(kind)));
    if (file.readOnly())
        throw AudioError(failure(fileName, QStringLiteral("the file is read-only")));
}

void throwUnlessSaved(bool saved, const CheckedFileStream &stream, const QString &fileName)
{
    const QString why =
        stream.failureOr(saved, QStringLiteral("the tagged file could not be saved"));
    if (!why.isEmpty())
        throw AudioError(failure(fileName, why));
}

void writeMpeg(const QString &path, const QString &fileName, const StoredTags &values)
{
    CheckedFileStream stream(path);
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance());
    openForWriting(file, stream, fileName, "MP3");
    fillId3v2(*file.ID3v2Tag(true), values);
    TagLib::ID3v1::Tag &id3v1 = *file.ID3v1Tag(true);
    fillTag(id3v1, values);
    if (values.id3v1Genre)
        id3v1.setGenreNumber(*values.id3v1Genre);
    throwUnlessSaved(file.save(TagLib::MPEG::File::ID3v1 | TagLib::MPEG::File::ID3v2,
                               TagLib::File::StripOthers, kId3v2Version,
                               TagLib::File::DoNotDuplicate),
                     stream, fileName);
}

// Whether the head of a WAV file shows its format and then an empty data chunk.
bool isWavWithoutAudio(const QByteArray &head)
{
    bool format = false;
    for (qsizetype offset = kRiffHeaderSize; offset + kChunkHeaderSize <= head.size();) {
        const QByteArray id = head.mid(offset, 4);
        const quint32 size = qFromLittleEndian<quint32>(head.constData() + offset + 4);
        if (id == "data")
            return format && size == 0;
        format = format || id == "fmt ";
        offset += kChunkHeaderSize + qsizetype(size) + qsizetype(size % 2);
    }
    return false;
}

void writeWav(const QString &path, const QString &fileName, const StoredTags &values)
{
    CheckedFileStream stream(path);
    TagLib::RIFF::WAV::File file(&stream);
    openForWriting(file, stream, fileName, "WAV");
    fillId3v2(*file.ID3v2Tag(), values);
    fillTag(*file.InfoTag(), values);
    throwUnlessSaved(
        file.save(TagLib::RIFF::WAV::File::AllTags, TagLib::File::StripOthers, kId3v2Version),
        stream, fileName);
}

// TagLib cannot walk RF64 chunks, so the two tag chunks are rendered here and
// appended after the audio by our own chunk writer.
void writeRf64(const QString &path, const QString &fileName, const StoredTags &values)
{
    TagLib::RIFF::Info::Tag info;
    fillTag(info, values);
    TagLib::ID3v2::Tag id3;
    fillId3v2(id3, values);
    const bool hasAnyField = !id3.isEmpty();
    Rf64TagWriter writer(path, fileName);
    writer.write(hasAnyField ? toQByteArray(info.render()) : QByteArray(),
                 hasAnyField ? toQByteArray(id3.render(kId3v2Version)) : QByteArray());
}

void fillXiph(TagLib::Ogg::XiphComment &comment, const StoredTags &values)
{
    fillTag(comment, values);
    for (const auto &[field, text] : {std::pair(kXiphBookTags.albumArtist, &values.albumArtist),
                                      std::pair(kXiphBookTags.composer, &values.composer),
                                      std::pair(kXiphBookTags.description, &values.description),
                                      std::pair(kXiphBookTags.series, &values.series),
                                      std::pair(kXiphBookTags.seriesPart, &values.seriesPart)}) {
        comment.removeFields(field);
        if (!text->isEmpty())
            comment.addField(field, *text);
    }
}

void fillAsf(TagLib::ASF::Tag &tag, const StoredTags &values)
{
    fillTag(tag, values);
    // TagLib's ASF setters store a 0 as it is, which players show as a year or
    // a track: an unset one is left out, as in every other format.
    if (values.year == 0)
        tag.removeItem("WM/Year");
    if (values.track == 0)
        tag.removeItem("WM/TrackNumber");
    for (const auto &[key, text] : {std::pair(kAsfBookTags.albumArtist, &values.albumArtist),
                                    std::pair(kAsfBookTags.composer, &values.composer),
                                    std::pair(kAsfBookTags.description, &values.description),
                                    std::pair(kAsfBookTags.series, &values.series),
                                    std::pair(kAsfBookTags.seriesPart, &values.seriesPart)}) {
        const TagLib::String name(key);
        tag.removeItem(name);
        if (!text->isEmpty())
            tag.setAttribute(name, TagLib::ASF::Attribute(*text));
    }
}

// The description goes in both of the places players look, the short and the
// long one; the series, as in ID3v2, in the grouping and the movement, whose
// number takes whole numbers only.
void fillMp4(TagLib::MP4::Tag &tag, const StoredTags &values)
{
    fillTag(tag, values);
    for (const auto &[name, text] : {std::pair(kMp4BookTags.albumArtist, &values.albumArtist),
                                     std::pair(kMp4BookTags.composer, &values.composer),
                                     std::pair(kMp4ShortDescription, &values.description),
                                     std::pair(kMp4BookTags.description, &values.description),
                                     std::pair(kMp4SeriesGroup, &values.series),
                                     std::pair(kMp4BookTags.series, &values.series)}) {
        const TagLib::String item(name, TagLib::String::Latin1);
        tag.removeItem(item);
        if (!text->isEmpty())
            tag.setItem(item, TagLib::StringList(*text));
    }
    const TagLib::String partItem(kMp4BookTags.seriesPart, TagLib::String::Latin1);
    tag.removeItem(partItem);
    bool whole = false;
    const int part = values.seriesPart.toInt(&whole);
    if (whole && part >= 0)
        tag.setItem(partItem, TagLib::MP4::Item(part));
    tag.setItem("stik", TagLib::MP4::Item(kMp4AudiobookKind));
}

// The files whose one tag TagLib's classes fill: OGG Vorbis (a Xiph comment),
// WMA (the ASF content description and extended items) and M4B.
template <typename File, typename Fill>
void writeOwnTag(const QString &path, const QString &fileName, const StoredTags &values,
                 const char *kind, Fill fill, bool rateNeeded = true)
{
    CheckedFileStream stream(path);
    File file(&stream);
    openForWriting(file, stream, fileName, kind, rateNeeded);
    fill(*file.tag(), values);
    putCover(*file.tag(), values.cover);
    throwUnlessSaved(file.save(), stream, fileName);
}

// Vorbis comments; the padding the writer left takes them without moving the audio.
void writeFlac(const QString &path, const QString &fileName, const StoredTags &values)
{
    CheckedFileStream stream(path);
    TagLib::FLAC::File file(&stream, TagLib::ID3v2::FrameFactory::instance());
    openForWriting(file, stream, fileName, "FLAC");
    fillXiph(*file.xiphComment(true), values);
    file.removePictures();
    if (values.cover)
        file.addPicture(flacPicture(*values.cover));
    throwUnlessSaved(file.save(), stream, fileName);
}

}  // namespace

void AudioInformation::setProperty(const QString &name, const QString &value)
{
    if (name == QLatin1String("infoTitle"))
        m_title = value;
    else if (name == QLatin1String("infoArtist"))
        m_artist = value;
    else if (name == QLatin1String("infoAlbum"))
        m_album = value;
    else if (name == QLatin1String("infoComments"))
        m_comments = value;
    else if (name == QLatin1String("infoGenreS"))
        m_genreText = value;
    else if (name == QLatin1String("infoAlbumArtist"))
        m_albumArtist = value;
    else if (name == QLatin1String("infoComposer"))
        m_composer = value;
    else if (name == QLatin1String("infoDescription"))
        m_description = value;
    else if (name == QLatin1String("infoSeries"))
        m_series = value;
    else if (name == QLatin1String("infoSeriesPart"))
        m_seriesPart = value;
    else
        throw AudioError(QStringLiteral("The tag writer has no property \"%1\"").arg(name));
}

void AudioInformation::setCover(const std::optional<CoverPicture> &cover)
{
    m_cover = cover;
}

void AudioInformation::setinfoGenre(qint16 genre)
{
    m_genre = genre;
}

void AudioInformation::setinfoYear(int year)
{
    m_year = year;
}

void AudioInformation::setinfoTrack(qint16 track)
{
    m_track = track;
}

// TagLib's list answers an empty name for a number outside it.
bool AudioInformation::hasListedGenre() const
{
    return m_genre >= 0 && !TagLib::ID3v1::genre(m_genre).isEmpty();
}

// The text is the caption the user picked; the number only stands in when there
// is no text.
QString AudioInformation::genreToStore() const
{
    if (!m_genreText.isEmpty() || !hasListedGenre())
        return m_genreText;
    return QString::fromUtf8(TagLib::ID3v1::genre(m_genre).toCString(true));
}

bool AudioInformation::writeTags(const QString &fileName, const QString &shownName)
{
    StoredTags values;
    values.title = toTagLib(m_title);
    values.artist = toTagLib(m_artist);
    values.album = toTagLib(m_album);
    values.comment = toTagLib(m_comments);
    values.genre = toTagLib(genreToStore());
    // A genre typed outside the list has no ID3v1 number: TagLib's own list
    // would find one for some names that ours lacks.
    if (hasListedGenre())
        values.id3v1Genre = static_cast<unsigned>(m_genre);
    else if (!m_genreText.isEmpty())
        values.id3v1Genre = kId3v1NoGenre;
    values.year = m_year > 0 ? static_cast<unsigned>(m_year) : 0;
    values.track = m_track > 0 ? static_cast<unsigned>(m_track) : 0;
    values.albumArtist = toTagLib(m_albumArtist);
    values.composer = toTagLib(m_composer);
    values.description = toTagLib(m_description);
    values.series = toTagLib(m_series);
    values.seriesPart = toTagLib(m_seriesPart);
    values.cover = m_cover ? &*m_cover : nullptr;

    const QString &path = fileName;
    const QString &name = shownName.isEmpty() ? fileName : shownName;
    const QByteArray head = readHead(path, name);
    switch (sniffContainer(head)) {
    case Container::Mpeg:
        writeMpeg(path, name, values);
        break;
    case Container::Wav:
        // Readers take whatever follows an empty data chunk for audio: tag
        // chunks there would play as noise.
        if (isWavWithoutAudio(head))
            return false;
        writeWav(path, name, values);
        break;
    case Container::Rf64:
        writeRf64(path, name, values);
        break;
    case Container::OggVorbis:
        writeOwnTag<TagLib::Ogg::Vorbis::File>(path, name, values, "OGG Vorbis", fillXiph);
        break;
    case Container::Asf:
        writeOwnTag<TagLib::ASF::File>(path, name, values, "WMA", fillAsf);
        break;
    case Container::Flac:
        writeFlac(path, name, values);
        break;
    case Container::Mp4:
        // The iTunes items (title ©nam, artist ©ART, album ©alb, comment ©cmt,
        // genre ©gen, year ©day, track trkn, and the book's, see fillMp4); the
        // others, such as the gapless item, stay. An index without a frame is
        // taken (see openForWriting).
        writeOwnTag<TagLib::MP4::File>(path, name, values, "M4B", fillMp4, false);
        break;
    case Container::Unknown:
        throw AudioError(
            failure(name, QStringLiteral("not an MP3, WAV, OGG, WMA, FLAC or M4B file")));
    }
    return true;
}
