#pragma once

// The one place that knows how each libav (and libebur128) object is released.
// Everything else holds them through these owners, never through bare *_free calls.

#include <ebur128.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/vorbis_parser.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

#include <memory>

struct InputFormatContextDeleter {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};

// Closes the file the muxer opened (avio_open) unless the caller brought its own I/O.
struct OutputFormatContextDeleter {
    void operator()(AVFormatContext *context) const
    {
        if (context->oformat && !(context->oformat->flags & AVFMT_NOFILE)
            && !(context->flags & AVFMT_FLAG_CUSTOM_IO))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};

struct CodecContextDeleter {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};

struct FrameDeleter {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};

struct PacketDeleter {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};

struct SwrContextDeleter {
    void operator()(SwrContext *context) const { swr_free(&context); }
};

struct AudioFifoDeleter {
    void operator()(AVAudioFifo *fifo) const { av_audio_fifo_free(fifo); }
};

// An AVIOContext opened with avio_open (not one made by avio_alloc_context).
struct AvioContextDeleter {
    void operator()(AVIOContext *context) const { avio_closep(&context); }
};

// A channel layout may own a channel map: it is uninitialised, then freed.
struct ChannelLayoutDeleter {
    void operator()(AVChannelLayout *layout) const
    {
        av_channel_layout_uninit(layout);
        delete layout;
    }
};

struct DictionaryDeleter {
    void operator()(AVDictionary *dictionary) const { av_dict_free(&dictionary); }
};

struct VorbisParseContextDeleter {
    void operator()(AVVorbisParseContext *context) const { av_vorbis_parse_free(&context); }
};

// A chapter not yet handed to a muxer, which frees the chapters it holds.
struct ChapterDeleter {
    void operator()(AVChapter *chapter) const
    {
        av_dict_free(&chapter->metadata);
        av_free(chapter);
    }
};

struct Ebur128StateDeleter {
    void operator()(ebur128_state *state) const { ebur128_destroy(&state); }
};

using InputFormatContextPtr = std::unique_ptr<AVFormatContext, InputFormatContextDeleter>;
using OutputFormatContextPtr = std::unique_ptr<AVFormatContext, OutputFormatContextDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using AvioContextPtr = std::unique_ptr<AVIOContext, AvioContextDeleter>;
using DictionaryPtr = std::unique_ptr<AVDictionary, DictionaryDeleter>;
using ChannelLayoutPtr = std::unique_ptr<AVChannelLayout, ChannelLayoutDeleter>;
using ChapterPtr = std::unique_ptr<AVChapter, ChapterDeleter>;
using VorbisParseContextPtr = std::unique_ptr<AVVorbisParseContext, VorbisParseContextDeleter>;
using Ebur128StatePtr = std::unique_ptr<ebur128_state, Ebur128StateDeleter>;
