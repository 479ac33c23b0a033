#include "audio/tags/mp4tagroom.h"

#include "audio/core/audioerror.h"
#include "audio/core/checkedfilestream.h"

#include <QFile>

#include <algorithm>

#include <taglib/mp4file.h>
#include <taglib/mp4tag.h>

namespace {

// Enough for the values the program stamps (long comments included, and the
// book's description, stored twice) and the iTunSMPB item, with room to spare.
constexpr int kRoomBytes = 8192;
// The muxer writes the "comment" metadata as this item.
constexpr char kPlaceholderMetadata[] = "comment";
const TagLib::String kPlaceholderItem("\251cmt", TagLib::String::Latin1);
const TagLib::String kGaplessItem("----:com.apple.iTunes:iTunSMPB");
constexpr int kUnusedGaplessFields = 8;

QString hex(qint64 value, int digits)
{
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

QString failure(const QString &fileName, const QString &cause)
{
    return QStringLiteral("Cannot complete \"%1\": %2").arg(fileName, cause);
}

}  // namespace

QString AacGapless::iTunSmpb() const
{
    QString text = QLatin1Char(' ') + hex(0, 8) + QLatin1Char(' ') + hex(priming, 8)
                   + QLatin1Char(' ') + hex(padding, 8) + QLatin1Char(' ') + hex(frames, 16);
    for (int field = 0; field < kUnusedGaplessFields; ++field)
        text += QLatin1Char(' ') + hex(0, 8);
    return text;
}

Mp4TagRoomPlaceholder mp4TagRoomPlaceholder(int extraRoom)
{
    return {kPlaceholderMetadata, QByteArray(kRoomBytes + std::max(extraRoom, 0), ' ')};
}

void completeMp4TagRoom(const QString &path, const QString &fileName, const AacGapless &gapless)
{
    CheckedFileStream stream(path);
    TagLib::MP4::File file(&stream, false);
    TagLib::MP4::Tag *tag = file.isValid() ? file.tag() : nullptr;
    if (!tag || !tag->contains(kPlaceholderItem))
        throw AudioError(
            failure(fileName, QStringLiteral("its index was not written as expected")));
    tag->removeItem(kPlaceholderItem);
    const QByteArray text = gapless.iTunSmpb().toLatin1();
    tag->setItem(kGaplessItem, TagLib::StringList(TagLib::String(text.constData())));
    const bool saved = file.save();
    const QString why = stream.failureOr(saved, QStringLiteral("its index could not be saved"));
    if (!why.isEmpty())
        throw AudioError(failure(fileName, why));
}
