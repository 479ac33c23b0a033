#include "audio/tags/coverfinder.h"

#include "audio/core/audioerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <taglib/aifffile.h>
#include <taglib/asffile.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4file.h>
#include <taglib/mpegfile.h>
#include <taglib/wavfile.h>
#include <taglib/xiphcomment.h>

#include <vector>

namespace {

// In the order they win.
const char *const kBesideNames[] = {"cover.jpg", "cover.png", "folder.jpg"};

// A file's pictures as found, each with whether it is the front cover.
struct Found {
    TagLib::ByteVector data;
    bool front = false;
};

void addId3v2(std::vector<Found> &found, TagLib::ID3v2::Tag *tag)
{
    if (!tag)
        return;
    for (TagLib::ID3v2::Frame *frame : tag->frameList("APIC")) {
        if (const auto *picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame *>(frame))
            found.push_back({picture->picture(),
                             picture->type() == TagLib::ID3v2::AttachedPictureFrame::FrontCover});
    }
}

void addFlacPictures(std::vector<Found> &found, const TagLib::List<TagLib::FLAC::Picture *> &list)
{
    for (const TagLib::FLAC::Picture *picture : list)
        found.push_back({picture->data(), picture->type() == TagLib::FLAC::Picture::FrontCover});
}

std::vector<Found> picturesOf(TagLib::File *file)
{
    std::vector<Found> found;
    if (auto *mpeg = dynamic_cast<TagLib::MPEG::File *>(file)) {
        addId3v2(found, mpeg->ID3v2Tag());
    } else if (auto *wav = dynamic_cast<TagLib::RIFF::WAV::File *>(file)) {
        addId3v2(found, wav->ID3v2Tag());
    } else if (auto *aiff = dynamic_cast<TagLib::RIFF::AIFF::File *>(file)) {
        addId3v2(found, aiff->tag());
    } else if (auto *mp4 = dynamic_cast<TagLib::MP4::File *>(file)) {
        // covr has no picture types: the first stands for the front.
        if (mp4->tag() && mp4->tag()->contains("covr"))
            for (const TagLib::MP4::CoverArt &art : mp4->tag()->item("covr").toCoverArtList())
                found.push_back({art.data(), found.empty()});
    } else if (auto *flac = dynamic_cast<TagLib::FLAC::File *>(file)) {
        addFlacPictures(found, flac->pictureList());
        if (flac->hasXiphComment())
            addFlacPictures(found, flac->xiphComment()->pictureList());
    } else if (auto *asf = dynamic_cast<TagLib::ASF::File *>(file)) {
        if (asf->tag())
            for (const TagLib::ASF::Attribute &attribute : asf->tag()->attribute("WM/Picture")) {
                const TagLib::ASF::Picture picture = attribute.toPicture();
                found.push_back(
                    {picture.picture(), picture.type() == TagLib::ASF::Picture::FrontCover});
            }
    } else if (auto *xiph =
                   dynamic_cast<TagLib::Ogg::XiphComment *>(file ? file->tag() : nullptr)) {
        // OGG Vorbis, Opus and FLAC.
        addFlacPictures(found, xiph->pictureList());
    }
    return found;
}

std::optional<CoverPicture> fromTagLib(const TagLib::ByteVector &data)
{
    return CoverPicture::fromBytes(QByteArray(data.data(), qsizetype(data.size())));
}

}  // namespace

std::optional<CoverPicture> CoverFinder::resolve(const CoverChoice &choice,
                                                 const QStringList &inputs,
                                                 const QStringList &folders)
{
    switch (choice.kind) {
    case CoverChoice::Kind::None:
        return std::nullopt;
    case CoverChoice::Kind::File:
        return CoverPicture::fromFile(choice.file);
    case CoverChoice::Kind::Automatic:
        break;
    }
    return automatic(inputs, folders);
}

std::optional<CoverPicture> CoverFinder::automatic(const QStringList &inputs,
                                                   const QStringList &folders)
{
    for (const QString &input : inputs)
        if (std::optional<CoverPicture> picture = embedded(input))
            return picture;
    for (const QString &folder : folders) {
        for (const QString &file : pictureFiles(folder)) {
            try {
                return CoverPicture::fromFile(file);
            } catch (const AudioError &) {
                // Passed over for the next: nobody chose this one.
            }
        }
    }
    return std::nullopt;
}

std::optional<CoverPicture> CoverFinder::embedded(const QString &fileName)
{
    // Tags only: the audio properties would cost a scan of some files.
    const QByteArray path = QFile::encodeName(fileName);
    TagLib::FileRef ref(path.constData(), false);
    if (ref.isNull())
        return std::nullopt;
    const std::vector<Found> found = picturesOf(ref.file());
    for (const Found &picture : found) {
        if (picture.front)
            if (std::optional<CoverPicture> cover = fromTagLib(picture.data))
                return cover;
    }
    for (const Found &picture : found)
        if (std::optional<CoverPicture> cover = fromTagLib(picture.data))
            return cover;
    return std::nullopt;
}

QStringList CoverFinder::pictureFiles(const QString &folder)
{
    QStringList found;
    const QFileInfoList files =
        QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const char *wanted : kBesideNames)
        for (const QFileInfo &file : files)
            if (file.fileName().compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0)
                found.append(file.filePath());
    return found;
}
