#include "audio/encode/id3tagroom.h"

#include "audio/tags/coverpicture.h"

#include <lame/lame.h>

#include <algorithm>

namespace {

// The values the program stamps: half for the song's, half for the book's (a
// description of a thousand Latin-1 characters among them). Not more: TagLib
// gives up padding beyond a hundredth of the file, and rewrites the audio then.
constexpr int kTagPadding = 4096;
// An ID3v2.4 tag without flags; its sizes are written 7 bits a byte.
constexpr char kId3Header[] = {'I', 'D', '3', 4, 0, 0};
constexpr char kFrameFlags[] = {0, 0};
constexpr char kUtf8 = 3;
constexpr int kSyncsafeBits = 7;
constexpr int kSyncsafeMask = 0x7F;
constexpr int kSyncsafeBytes = 4;
constexpr char kLatin1 = 0;
constexpr char kFrontCover = 3;

QByteArray syncsafe(int value)
{
    QByteArray bytes(kSyncsafeBytes, '\0');
    for (int i = kSyncsafeBytes - 1; i >= 0; --i) {
        bytes[i] = static_cast<char>(value & kSyncsafeMask);
        value >>= kSyncsafeBits;
    }
    return bytes;
}

QByteArray frame(const char *id, const QByteArray &body)
{
    return QByteArray(id) + syncsafe(int(body.size())) + QByteArray(kFrameFlags, sizeof kFrameFlags)
           + body;
}

// APIC: text encoding, MIME type, picture type, an empty description, the picture.
QByteArray pictureFrame(const CoverPicture &cover)
{
    return frame("APIC",
                 kLatin1 + cover.mimeType.toLatin1() + '\0' + kFrontCover + '\0' + cover.data);
}

}  // namespace

QByteArray id3TagRoom(int extraRoom, const CoverPicture *cover)
{
    const int room = kTagPadding + std::max(extraRoom, 0);
    const QByteArray encoder = QByteArray("LAME ") + get_lame_short_version();
    QByteArray frames = frame("TSSE", kUtf8 + encoder);
    if (cover)
        frames += pictureFrame(*cover);
    return QByteArray(kId3Header, sizeof kId3Header) + syncsafe(int(frames.size()) + room) + frames
           + QByteArray(room, '\0');
}
