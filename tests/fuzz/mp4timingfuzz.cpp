#include "audio/decode/mp4timing.h"

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto timing = Mp4Timing::read(FuzzInput::toFile(data, size, QStringLiteral("in.m4a")));
    if (timing)
        timing->playedFrames();
    return 0;
}
