#include "audio/core/audioerror.h"
#include "audio/tags/mp4tagroom.h"

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

// The tag room is completed in whatever file the muxer left; TagLib walks its
// boxes and the placeholder is looked for in the tag list it finds.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = FuzzInput::toFile(data, size, QStringLiteral("in.m4b"));
    try {
        completeMp4TagRoom(path, path, AacGapless{2112, 44100, 956});
    } catch (const AudioError &) {
    }
    return 0;
}
