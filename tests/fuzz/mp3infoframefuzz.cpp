#include "audio/encode/mp3infoframe.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kSampleRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};

}  // namespace

// The frame for any stream LAME can encode: the input picks the sample rate and
// the channels and gives the stream's facts, which fill the frame whole.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 32)
        return 0;
    const int sampleRate = kSampleRates[data[0] % std::size(kSampleRates)];
    const int mpegVersion = sampleRate >= 32000 ? 1 : 0;
    const int channels = 1 + (data[1] & 1);
    Mp3InfoFrame::Stream stream;
    std::memcpy(stream.firstHeader.data(), data + 2, 4);
    std::int64_t frames = 0;
    std::int64_t audioBytes = 0;
    std::memcpy(&frames, data + 6, 8);
    std::memcpy(&audioBytes, data + 14, 8);
    stream.frames = frames & 0xFFFFFFFF;
    stream.audioBytes = audioBytes & 0x7FFFFFFF;
    stream.bitrate = data[22] | data[23] << 8;
    stream.delay = (data[24] | data[25] << 8) & 0xFFF;
    stream.padding = (data[26] | data[27] << 8) & 0xFFF;
    stream.audioCrc = quint16(data[28] | data[29] << 8);
    const Mp3InfoFrame frame(mpegVersion, sampleRate, channels);
    const QByteArray bytes = frame.render(stream);
    if (bytes.size() != frame.size() || frame.size() <= 0)
        std::abort();
    Mp3InfoFrame::crc(stream.audioCrc, data + 30, size - 30);
    return 0;
}
