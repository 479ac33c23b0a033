#include "audio/encode/id3tagroom.h"

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

QByteArray syncsafe(int value)
{
    QByteArray bytes(kSyncsafeBytes, '\0');
    for (int i = kSyncsafeBytes - 1; i >= 0; --i) {
        bytes[i] = static_cast<char>(value & kSyncsafeMask);
        value >>= kSyncsafeBits;
    }
    return bytes;
}

}  // namespace

QByteArray id3TagRoom(int extraRoom)
{
    const int room = kTagPadding + std::max(extraRoom, 0);
    const QByteArray encoder = QByteArray("LAME ") + get_lame_short_version();
    const QByteArray frame = QByteArray("TSSE") + syncsafe(1 + int(encoder.size()))
                             + QByteArray(kFrameFlags, sizeof kFrameFlags) + kUtf8 + encoder;
    return QByteArray(kId3Header, sizeof kId3Header) + syncsafe(int(frame.size()) + room) + frame
           + QByteArray(room, '\0');
}
