#include "audio/copy/mp3framepacker.h"

#include "audio/copy/mp3sideinfo.h"
#include "audio/core/audioerror.h"
#include "audio/core/mp3frameheader.h"

#include <algorithm>
#include <optional>

namespace {

constexpr int kTopBitrateIndex = 14;

struct Layout {
    std::vector<int> starts;  // where each frame's data begins, in the joined payload
    int failedFrame = -1;     // whose data does not fit; frames.size() for the borrowed bytes
};

struct Packed {
    Mp3FrameHeader header;
    int bitrateIndex = 0;
    int dataBytes = 0;
    int payloadBytes() const
    {
        return header.bytesAt(bitrateIndex, header.padded()) - header.sideInfoAt()
               - header.sideInfoBytes();
    }
};

Layout layOut(const std::vector<Packed> &frames, int borrowed)
{
    Layout layout;
    int position = 0;
    int frameStart = 0;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const int start = std::max(position, frameStart - frames[i].header.maxReach());
        const int frameEnd = frameStart + frames[i].payloadBytes();
        if (start + frames[i].dataBytes > frameEnd) {
            layout.failedFrame = int(i);
            return layout;
        }
        layout.starts.push_back(start);
        position = start + frames[i].dataBytes;
        frameStart = frameEnd;
    }
    if (frameStart - position < borrowed)
        layout.failedFrame = int(frames.size());
    return layout;
}

}  // namespace

std::vector<QByteArray> Mp3FramePacker::pack(const std::vector<QByteArray> &frames,
                                             const QByteArray &borrowed, const QString &fileName)
{
    std::vector<Packed> packed;
    for (const QByteArray &frame : frames) {
        const auto *bytes = reinterpret_cast<const quint8 *>(frame.constData());
        const auto header = Mp3FrameHeader::parse(bytes);
        const Mp3SideInfo side(bytes, *header);
        packed.push_back({*header, header->bitrateIndex(), side.mainDataBytes()});
    }
    const int reach = int(borrowed.size());
    Layout layout = layOut(packed, reach);
    while (layout.failedFrame >= 0) {
        // Raise the failing frame, or for the borrowed bytes the last frame
        // that can still be raised.
        int raise = std::min(layout.failedFrame, int(packed.size()) - 1);
        while (raise >= 0 && packed[std::size_t(raise)].bitrateIndex == kTopBitrateIndex)
            --raise;
        if (raise < 0 || (layout.failedFrame < int(packed.size()) && raise != layout.failedFrame))
            throw AudioError(QStringLiteral("%1: the frames re-encoded at a junction leave no "
                                            "room for the %2 bytes the next frame reaches back for")
                                 .arg(fileName)
                                 .arg(reach));
        ++packed[std::size_t(raise)].bitrateIndex;
        layout = layOut(packed, reach);
    }

    // The joined payload: each frame's data where the layout puts it, the
    // borrowed bytes at its very end, zeros between.
    int total = 0;
    for (const Packed &frame : packed)
        total += frame.payloadBytes();
    QByteArray payload(total, '\0');
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const Packed &frame = packed[i];
        const char *data =
            frames[i].constData() + frame.header.sideInfoAt() + frame.header.sideInfoBytes();
        std::copy_n(data, frame.dataBytes, payload.begin() + layout.starts[i]);
    }
    std::copy(borrowed.begin(), borrowed.end(), payload.end() - reach);

    std::vector<QByteArray> out;
    int frameStart = 0;
    for (std::size_t i = 0; i < packed.size(); ++i) {
        const Packed &frame = packed[i];
        const int head = frame.header.sideInfoAt() + frame.header.sideInfoBytes();
        QByteArray bytes = frames[i].left(head);
        auto *data = reinterpret_cast<quint8 *>(bytes.data());
        data[2] = quint8(frame.bitrateIndex << 4 | (data[2] & 0x0F));
        Mp3SideInfo(data, frame.header).setMainDataBegin(frameStart - layout.starts[i]);
        bytes.append(payload.mid(frameStart, frame.payloadBytes()));
        out.push_back(bytes);
        frameStart += frame.payloadBytes();
    }
    return out;
}
