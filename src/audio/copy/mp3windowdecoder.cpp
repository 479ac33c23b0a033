#include "audio/copy/mp3windowdecoder.h"

#include "audio/copy/mp3fileindex.h"
#include "audio/core/audioerror.h"
#include "audio/core/avdeleters.h"
#include "audio/core/averror.h"

namespace {

// The first frame decoded: far enough back that the frame before `first`
// has all the main data it reaches back for.
qint64 primingStart(const Mp3FileIndex &index, qint64 first)
{
    if (first <= 0)
        return 0;
    const auto &frames = index.frames();
    qint64 start = first - 1;
    const int reach = frames[std::size_t(start)].mainDataBegin;
    int available = 0;
    while (start > 0 && available < reach) {
        --start;
        available += frames[std::size_t(start)].payloadBytes;
    }
    return start;
}

}  // namespace

SampleArray Mp3WindowDecoder::decode(const Mp3FileIndex &index, qint64 first, qint64 end)
{
    const QString &fileName = index.fileName();
    const AVCodec *codec = avcodec_find_decoder(AV_CODEC_ID_MP3);
    if (!codec)
        throw AudioError(QStringLiteral("%1: FFmpeg has no MP3 decoder").arg(fileName));
    const CodecContextPtr decoder(
        checkAllocated(avcodec_alloc_context3(codec), "avcodec_alloc_context3", fileName));
    decoder->request_sample_fmt = AV_SAMPLE_FMT_FLTP;
    avCheck(avcodec_open2(decoder.get(), codec, nullptr), "avcodec_open2", fileName);
    const PacketPtr packet(checkAllocated(av_packet_alloc(), "av_packet_alloc", fileName));
    const FramePtr frame(checkAllocated(av_frame_alloc(), "av_frame_alloc", fileName));

    const int channels = index.header().channels();
    const int samples = index.frameSamples();
    SampleArray out;
    out.reserve(std::size_t((end - first) * samples * channels));
    for (qint64 f = primingStart(index, first); f < end; ++f) {
        const Mp3FileIndex::Frame &entry = index.frames()[std::size_t(f)];
        avCheck(av_new_packet(packet.get(), entry.bytes), "av_new_packet", fileName);
        std::copy_n(index.frameData(f), entry.bytes, packet->data);
        const int sent = avcodec_send_packet(decoder.get(), packet.get());
        av_packet_unref(packet.get());
        const bool kept = f >= first;
        if (sent < 0) {
            if (kept)
                avCheck(sent, "avcodec_send_packet", fileName);
            continue;
        }
        const int received = avcodec_receive_frame(decoder.get(), frame.get());
        if (received < 0) {
            if (kept)
                avCheck(received, "avcodec_receive_frame", fileName);
            continue;
        }
        if (kept) {
            if (frame->nb_samples != samples || frame->format != AV_SAMPLE_FMT_FLTP)
                throw AudioError(QStringLiteral("%1: the frame at byte %2 decodes to %3 samples")
                                     .arg(fileName)
                                     .arg(entry.offset)
                                     .arg(frame->nb_samples));
            for (int i = 0; i < samples; ++i)
                for (int c = 0; c < channels; ++c)
                    out.push_back(reinterpret_cast<const float *>(frame->extended_data[c])[i]);
        }
        av_frame_unref(frame.get());
    }
    return out;
}
