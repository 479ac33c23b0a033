#include "audio/tags/chapterwriter.h"

#include "audio/core/audioerror.h"
#include "audio/core/checkedfilestream.h"
#include "audio/tags/asfmarkerwriter.h"
#include "audio/tags/taglibshared.h"
#include "audio/tags/wavechunkfile.h"

#include <QFile>
#include <QtEndian>

#include <taglib/chapterframe.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tableofcontentsframe.h>
#include <taglib/textidentificationframe.h>
#include <taglib/vorbisfile.h>
#include <taglib/xiphcomment.h>

#include <algorithm>
#include <limits>
#include <memory>

namespace {

constexpr qsizetype kMinChapters = 2;
constexpr qint64 kMsPerSecond = 1000;
constexpr qint64 kAsfUnitsPerSecond = 10000000;
// CHAP times are 32-bit milliseconds; its byte offsets are not used.
constexpr qint64 kMaxId3Ms = std::numeric_limits<quint32>::max();
constexpr unsigned kNoId3Offset = std::numeric_limits<quint32>::max();
const TagLib::ByteVector kTableOfContentsId("toc");
// Readers take CHAPTER000..CHAPTER999 with two-digit hours.
constexpr qsizetype kMaxXiphChapters = 999;
constexpr int kXiphNumberDigits = 3;
constexpr qint64 kMaxXiphHours = 100;
// An ID3v2 table of contents (CTOC) and the MP4 Nero chapter list count their
// entries in 8 bits.
constexpr qsizetype kMaxCountedIn8Bits = 255;
// The Nero chapter list gives a title's length in 8 bits (the muxer cuts it
// there, whatever it cuts through), the chapter track in 16.
constexpr qsizetype kMaxMp4TitleBytes = 255;
const QString kNotSaved = QStringLiteral("the file could not be saved");
// A cue point's sample offset is 32 bits.
constexpr qint64 kMaxCueFrame = std::numeric_limits<quint32>::max();

constexpr QLatin1String kWhat("chapters");

// frames at sampleRate in units of 1/unitsPerSecond, rounded; exact for any length.
qint64 toUnits(qint64 frames, int sampleRate, qint64 unitsPerSecond)
{
    return frames / sampleRate * unitsPerSecond
           + (frames % sampleRate * unitsPerSecond + sampleRate / 2) / sampleRate;
}

// Fills tag with a CHAP frame per chapter ("ch1", "ch2" ...) titled by a TIT2
// frame, and the top-level ordered CTOC that lists them.
void addId3ChapterFrames(TagLib::ID3v2::Tag &tag, const ChapterList &chapters, int sampleRate)
{
    auto *toc = new TagLib::ID3v2::TableOfContentsFrame(kTableOfContentsId);
    toc->setIsTopLevel(true);
    toc->setIsOrdered(true);
    tag.addFrame(toc);
    for (qsizetype index = 0; index < chapters.size(); ++index) {
        const Chapter &chapter = chapters[index];
        const QByteArray id = "ch" + QByteArray::number(index + 1);
        const TagLib::ByteVector elementId(id.constData(), static_cast<unsigned>(id.size()));
        auto *frame = new TagLib::ID3v2::ChapterFrame(
            elementId, static_cast<unsigned>(toUnits(chapter.startFrame, sampleRate, kMsPerSecond)),
            static_cast<unsigned>(toUnits(chapter.endFrame, sampleRate, kMsPerSecond)),
            kNoId3Offset, kNoId3Offset);
        if (!chapter.title.isEmpty()) {
            // UTF-16 where Latin-1 cannot hold the title: ID3v2.3 knows no UTF-8.
            const TagLib::String title = toTagLib(chapter.title);
            auto *titleFrame = new TagLib::ID3v2::TextIdentificationFrame(
                "TIT2", title.isLatin1() ? TagLib::String::Latin1 : TagLib::String::UTF16);
            titleFrame->setText(title);
            frame->addEmbeddedFrame(titleFrame);
        }
        tag.addFrame(frame);
        toc->addChildElement(elementId);
    }
}

QString xiphTime(qint64 ms)
{
    const qint64 seconds = ms / kMsPerSecond;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % kMsPerSecond, 3, 10, QLatin1Char('0'));
}

bool isXiphChapterField(const TagLib::String &name)
{
    const QString text = QString::fromUtf8(name.toCString(true));
    return text.startsWith(QLatin1String("CHAPTER"), Qt::CaseInsensitive)
           && text.size() >= 7 + kXiphNumberDigits && text.at(7).isDigit();
}

bool isChapterChunk(const QByteArray &id, const QByteArray &listType)
{
    return id == "cue " || (id == "LIST" && listType == "adtl");
}

void appendLittle32(QByteArray &bytes, quint32 value)
{
    char buffer[4];
    qToLittleEndian<quint32>(value, buffer);
    bytes.append(buffer, 4);
}

// The longest start of text that is at most maxBytes in UTF-8, cut between
// characters.
QString utf8Prefix(const QString &text, qsizetype maxBytes)
{
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() <= maxBytes)
        return text;
    qsizetype cut = maxBytes;
    while (cut > 0 && (quint8(utf8[cut]) & 0xC0) == 0x80)
        --cut;
    return QString::fromUtf8(utf8.left(cut));
}

}  // namespace

ChapterWriter::ChapterWriter(const QString &fileName, const QString &shownName,
                             OutputFormat::Kind kind, int sampleRate)
    : m_fileName(fileName), m_shownName(shownName), m_kind(kind), m_sampleRate(sampleRate)
{}

ChapterList ChapterWriter::stored(const ChapterList &chapters, qint64 totalFrames) const
{
    if (m_sampleRate <= 0)
        return {};
    ChapterList kept = fitted(chapters, std::min(totalFrames, limitFrames()));
    if (kept.size() < kMinChapters)
        return {};
    if (m_kind == OutputFormat::Kind::M4b) {
        for (Chapter &chapter : kept)
            chapter.title = utf8Prefix(chapter.title, kMaxMp4TitleBytes);
    }
    return kept;
}

void ChapterWriter::write(const ChapterList &chapters, qint64 totalFrames) const
{
    ChapterList stored = this->stored(chapters, totalFrames);
    if (stored.isEmpty())
        return;
    switch (m_kind) {
    case OutputFormat::Kind::Mp3:
        writeId3(stored);
        break;
    case OutputFormat::Kind::Ogg:
    case OutputFormat::Kind::Flac:
        // A join refuses more (see maxChapters); beyond the last number readers
        // take, the rest would stay in the last chapter.
        stored.resize(std::min(stored.size(), kMaxXiphChapters));
        writeXiphComment(stored);
        break;
    case OutputFormat::Kind::Wav:
        writeWaveChunks(stored);
        break;
    case OutputFormat::Kind::Wma:
        writeAsfMarkers(stored);
        break;
    case OutputFormat::Kind::M4b:  // in the index, which is the muxer's to write
    case OutputFormat::Kind::None:
        break;
    }
}

ChapterList ChapterWriter::fitted(const ChapterList &chapters, qint64 limit)
{
    ChapterList sorted = chapters;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Chapter &a, const Chapter &b) {
        return a.startFrame < b.startFrame;
    });
    ChapterList kept;
    for (Chapter chapter : sorted) {
        chapter.startFrame = std::max<qint64>(chapter.startFrame, 0);
        chapter.endFrame = std::min(chapter.endFrame, limit);
        if (chapter.endFrame <= chapter.startFrame)
            continue;
        if (!kept.isEmpty() && kept.last().endFrame > chapter.startFrame) {
            kept.last().endFrame = chapter.startFrame;
            if (kept.last().endFrame <= kept.last().startFrame)
                kept.removeLast();
        }
        kept.append(chapter);
    }
    return kept;
}

qsizetype ChapterWriter::maxChapters(OutputFormat::Kind kind)
{
    switch (kind) {
    case OutputFormat::Kind::Ogg:
    case OutputFormat::Kind::Flac:
        return kMaxXiphChapters;
    case OutputFormat::Kind::Mp3:
    case OutputFormat::Kind::M4b:
        return kMaxCountedIn8Bits;
    case OutputFormat::Kind::Wav:
    case OutputFormat::Kind::Wma:
    case OutputFormat::Kind::None:
        break;
    }
    return std::numeric_limits<qsizetype>::max();
}

int ChapterWriter::id3Size(const ChapterList &chapters)
{
    if (chapters.size() < kMinChapters)
        return 0;
    TagLib::ID3v2::Tag tag;
    const auto emptySize = static_cast<int>(tag.render(kId3v2Version).size());
    // Times have a fixed size, so any rate gives the same bytes.
    addId3ChapterFrames(tag, chapters, 1);
    return static_cast<int>(tag.render(kId3v2Version).size()) - emptySize;
}

// How far into the output the format can place a chapter.
qint64 ChapterWriter::limitFrames() const
{
    switch (m_kind) {
    case OutputFormat::Kind::Mp3:
        return kMaxId3Ms / kMsPerSecond * m_sampleRate;
    case OutputFormat::Kind::Ogg:
    case OutputFormat::Kind::Flac:
        return kMaxXiphHours * 3600 * m_sampleRate;
    case OutputFormat::Kind::Wav:
        return kMaxCueFrame + 1;
    case OutputFormat::Kind::Wma:
    case OutputFormat::Kind::M4b:
    case OutputFormat::Kind::None:
        break;
    }
    return std::numeric_limits<qint64>::max() / 2;
}

void ChapterWriter::writeId3(const ChapterList &chapters) const
{
    CheckedFileStream stream(m_fileName);
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid())
        fail(stream.failureOr(false, QStringLiteral("not a writable MP3 file")));
    TagLib::ID3v2::Tag *tag = file.ID3v2Tag(true);
    tag->removeFrames("CHAP");
    tag->removeFrames("CTOC");
    addId3ChapterFrames(*tag, chapters, m_sampleRate);
    // Only the ID3v2 tag: an ID3v1 tag is the tag stamping's to add.
    const bool saved = file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, kId3v2Version,
                                 TagLib::File::DoNotDuplicate);
    if (const QString why = stream.failureOr(saved, kNotSaved); !why.isEmpty())
        fail(why);
}

void ChapterWriter::writeXiphComment(const ChapterList &chapters) const
{
    CheckedFileStream stream(m_fileName);
    // Both keep their comments in a Xiph comment: OGG in its second page, FLAC in a block.
    std::unique_ptr<TagLib::File> file;
    TagLib::Ogg::XiphComment *comment = nullptr;
    if (m_kind == OutputFormat::Kind::Flac) {
        auto flac = std::make_unique<TagLib::FLAC::File>(
            &stream, TagLib::ID3v2::FrameFactory::instance(), false);
        comment = flac->isValid() ? flac->xiphComment(true) : nullptr;
        file = std::move(flac);
    } else {
        auto vorbis = std::make_unique<TagLib::Ogg::Vorbis::File>(&stream, false);
        comment = vorbis->isValid() ? vorbis->tag() : nullptr;
        file = std::move(vorbis);
    }
    if (!comment)
        fail(stream.failureOr(false, QStringLiteral("not a writable file with comments")));
    TagLib::StringList former;
    for (const auto &field : comment->fieldListMap()) {
        if (isXiphChapterField(field.first))
            former.append(field.first);
    }
    for (const TagLib::String &name : former)
        comment->removeFields(name);
    for (qsizetype index = 0; index < chapters.size(); ++index) {
        const QString name =
            QStringLiteral("CHAPTER%1").arg(index + 1, kXiphNumberDigits, 10, QLatin1Char('0'));
        const Chapter &chapter = chapters[index];
        comment->addField(toTagLib(name), toTagLib(xiphTime(toUnits(chapter.startFrame,
                                                                    m_sampleRate, kMsPerSecond))));
        if (!chapter.title.isEmpty())
            comment->addField(toTagLib(name + QLatin1String("NAME")), toTagLib(chapter.title));
    }
    const bool saved = file->save();
    if (const QString why = stream.failureOr(saved, kNotSaved); !why.isEmpty())
        fail(why);
}

// One cue point per chapter at its first frame, and a label per titled one.
void ChapterWriter::writeWaveChunks(const ChapterList &chapters) const
{
    QByteArray cue;
    QByteArray labels = "adtl";
    appendLittle32(cue, static_cast<quint32>(chapters.size()));
    for (qsizetype index = 0; index < chapters.size(); ++index) {
        const auto id = static_cast<quint32>(index + 1);
        const auto start = static_cast<quint32>(chapters[index].startFrame);
        appendLittle32(cue, id);
        appendLittle32(cue, start);  // position in play order: the same without a playlist
        cue += "data";
        appendLittle32(cue, 0);  // chunk start
        appendLittle32(cue, 0);  // block start
        appendLittle32(cue, start);
        if (chapters[index].title.isEmpty())
            continue;
        QByteArray label;
        appendLittle32(label, id);
        label += chapters[index].title.toUtf8() + '\0';
        labels += WaveChunkFile::render({"labl", label});
    }
    WaveChunkFile file(m_fileName, m_shownName, kWhat);
    file.replaceAfterAudio(isChapterChunk,
                           {{"cue ", cue}, {"LIST", labels.size() > 4 ? labels : QByteArray()}});
}

void ChapterWriter::writeAsfMarkers(const ChapterList &chapters) const
{
    QList<AsfMarkerWriter::Marker> markers;
    for (const Chapter &chapter : chapters)
        markers.append(
            {chapter.title, toUnits(chapter.startFrame, m_sampleRate, kAsfUnitsPerSecond)});
    AsfMarkerWriter(m_fileName, m_shownName).write(markers);
}

void ChapterWriter::fail(const QString &cause) const
{
    throw AudioError::writing(kWhat, m_shownName, cause);
}
