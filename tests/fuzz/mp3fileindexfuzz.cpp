#include "audio/copy/mp3fileindex.h"
#include "audio/copy/mp3sideinfo.h"

#include "fuzzinput.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any file as a join's MP3 input: indexed, and where it may be copied, every
// frame's reach back and gain step taken as a copy join takes them.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = FuzzInput::toFile(data, size, QStringLiteral("in.mp3"));
    const Mp3FileIndex index(path);
    if (!index.copyable())
        return 0;
    for (qint64 f = 0; f < index.frameCount(); ++f) {
        const auto &frame = index.frames()[std::size_t(f)];
        if (index.reachedBytes(f).size() != frame.mainDataBegin)
            std::abort();
        QByteArray bytes(reinterpret_cast<const char *>(index.frameData(f)), frame.bytes);
        Mp3SideInfo side(reinterpret_cast<quint8 *>(bytes.data()), index.header());
        const int clamped = side.clampedBy(-9);
        if (side.addGain(-9) != clamped || side.mainDataBegin() != frame.mainDataBegin)
            std::abort();
    }
    return 0;
}
