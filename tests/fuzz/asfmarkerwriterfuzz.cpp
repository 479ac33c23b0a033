#include "audio/core/audioerror.h"
#include "audio/tags/asfmarkerwriter.h"

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

// Markers are written into any file: the header objects are walked, the data
// packets' send times searched and the data moved behind the grown header.
// The input's first byte gives the markers' spacing.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QString path = FuzzInput::toFile(data + 1, size - 1, QStringLiteral("in.wma"));
    const qint64 step = qint64(data[0]) * 1000000;
    try {
        AsfMarkerWriter(path, path)
            .write(
                {{QStringLiteral("One"), 0}, {QStringLiteral("Two"), step}, {QString(), 2 * step}});
        // Again over the markers just written, which are replaced.
        AsfMarkerWriter(path, path).write({{QStringLiteral("Three"), step}});
    } catch (const AudioError &) {
    }
    return 0;
}
