#include "audio/decode/oggpagescanner.h"

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    OggPageScanner::scan(FuzzInput::toFile(data, size, QStringLiteral("in.ogg")));
    return 0;
}
