#include "audio/core/audioerror.h"
#include "audio/tags/rf64tagwriter.h"
#include "audio/tags/wavechunkfile.h"

#include "fuzzinput.h"

#include <cstddef>
#include <cstdint>

namespace {

bool isChapterChunk(const QByteArray &id, const QByteArray &listType)
{
    return id == "cue " || (id == "LIST" && listType == "adtl");
}

}  // namespace

// The chunks after the audio of any RIFF or RF64 file are walked and rewritten
// twice, as the tag writer and the chapter writer (cue and labl) do it; the
// input's first byte says whether the tags or the chapters come first.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    const QString path = FuzzInput::toFile(data + 1, size - 1, QStringLiteral("in.wav"));
    const QByteArray info("INFOINAM\x04\0\0\0Name", 16);
    const QByteArray labels("adtllabl\x08\0\0\0\x01\0\0\0One", 20);
    const QByteArray cue("\x01\0\0\0\x01\0\0\0\0\0\0\0data\0\0\0\0\0\0\0\0\0\0\0\0", 28);
    for (int pass = 0; pass < 2; ++pass) {
        try {
            if ((pass == 0) == bool(data[0] & 1)) {
                WaveChunkFile file(path, path, QStringLiteral("chapters"));
                file.replaceAfterAudio(isChapterChunk, {{"cue ", cue}, {"LIST", labels}});
            } else {
                Rf64TagWriter(path, path).write(info, QByteArray("ID3\x03\0\0\0\0\0\0", 10));
            }
        } catch (const AudioError &) {
        }
    }
    return 0;
}
