#include "audio/decode/flaclastframe.h"

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

// The input's first 34 bytes are the STREAMINFO block, the rest the file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t kStreamInfoBytes = 34;
    if (size < kStreamInfoBytes)
        return 0;
    const QString path = FuzzInput::toFile(data + kStreamInfoBytes, size - kStreamInfoBytes,
                                           QStringLiteral("in.flac"));
    FlacLastFrame::endFrame(path, data);
    return 0;
}
