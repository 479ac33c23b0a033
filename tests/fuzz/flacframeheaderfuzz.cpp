#include "audio/decode/flacframeheader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

// A frame header at any offset of any bytes, with the fixed block size of the
// stream taken from the input's first two bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const qint64 fixedBlock = data[0] << 8 | data[1];
    // A copy of exactly the bytes given, so that a read past them is caught.
    const std::vector<quint8> bytes(data + 2, data + size);
    const auto header = FlacFrameHeader::parse(bytes.data(), qint64(bytes.size()), fixedBlock);
    if (header && (header->blockFrames() <= 0 || header->firstFrame() < 0))
        std::abort();
    return 0;
}
