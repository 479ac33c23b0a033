#include "audio/encode/audioencoder.h"

#include "audio/core/audioerror.h"
#include "audio/core/avdeleters.h"
#include "audio/core/averror.h"
#include "audio/core/channelmix.h"
#include "audio/encode/encodersetup.h"
#include "audio/encode/lamemp3writer.h"
#include "audio/encode/outputfile.h"
#include "audio/tags/chapterwriter.h"
#include "audio/tags/coverpicture.h"
#include "audio/tags/mp4movielength.h"
#include "audio/tags/mp4tagroom.h"

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <QFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// Frames per packet for encoders that take any size (PCM).
constexpr int kVariableFrameSize = 4096;
// The resampler is fed at most this many frames at once, so its output buffer
// stays small whatever block size the caller writes.
constexpr int kConvertSliceFrames = 8192;
constexpr int kMaxInputChannels = 8;
constexpr int kMaxInputRate = 768000;

// Whether every sample is a number within full scale. One comparison a sample:
// NaN fails it too.
bool withinFullScale(const float *samples, std::size_t count)
{
    return std::all_of(samples, samples + count,
                       [](float sample) { return std::fabs(sample) <= 1.0F; });
}

// What the encoders are given: NaN as silence, anything louder (infinity
// included) at full scale. LAME asserts on what is not, wmav2 refuses it, the
// others would wrap it or carry it on.
void clampToFullScale(const float *samples, std::size_t count, std::vector<float> &clamped)
{
    clamped.resize(count);
    std::transform(samples, samples + count, clamped.begin(), [](float sample) {
        return std::isnan(sample) ? 0.0F : std::clamp(sample, -1.0F, 1.0F);
    });
}

// MP3 goes to LAME itself (LameMp3Writer), which, unlike libavcodec's wrapper,
// takes a maximum bit rate for VBR; every other format goes through a
// libavcodec encoder and a libavformat muxer.
EncoderSetup openLibavEncoder(const OutputFormat &format, const QString &fileName, int extraTagRoom)
{
    return format.kind == OutputFormat::Kind::Mp3 ? EncoderSetup()
                                                  : openEncoder(format, fileName, 0, extraTagRoom);
}

}  // namespace

class AudioEncoder::Impl {
public:
    Impl(const QString &targetFileName, const OutputFormat &format,
         const ChapterList &plannedChapters, const CoverPicture *cover);

    void setInputFormat(int sampleRate, int channels);
    void write(const SampleArray &samples);
    void finish(const FinishingStep &lastStep);
    void setChapters(const ChapterList &chapters) { m_chapters = chapters; }
    int outputSampleRate() const { return m_sampleRate; }

private:
    void openMuxer();
    void handChaptersToMuxer();
    void writeTrailer();
    void allocateFrames();
    void createResampler();
    void convert(const float *samples, int frames);
    void drainResampler();
    void reserveConverted(int frames);
    void appendConverted(int frames);
    void appendSilence(int frames);
    void encodeWholeFrames();
    void encodeRemainder();
    void encodeFromFifo(int frames);
    void encode(const AVFrame *frame);
    void check(int result, const char *call) const { avCheck(result, call, m_target); }

    QString m_target;
    // Opened before any file exists, so a refused format leaves nothing behind.
    EncoderSetup m_setup;
    AVCodecContext *m_codec = nullptr;  // none for MP3
    // Declared before the muxer: the muxer closes its handle on the file before it is dropped.
    OutputFile m_file;
    OutputFormat::Kind m_kind;
    ChapterList m_chapters;
    OutputFormatContextPtr m_muxer;
    AVStream *m_stream = nullptr;
    std::unique_ptr<LameMp3Writer> m_mp3;
    // What the fifo holds and the encoder takes, whichever encoder it is.
    AVSampleFormat m_sampleFormat = AV_SAMPLE_FMT_NONE;
    int m_sampleRate = 0;
    ChannelLayoutPtr m_layout{new AVChannelLayout{}};
    SwrContextPtr m_resampler;
    AudioFifoPtr m_fifo;
    FramePtr m_frame;      // one encoder frame, reused for every packet
    FramePtr m_converted;  // resampler output, grown only when a slice needs more
    int m_convertedCapacity = 0;
    std::vector<float> m_clamped;  // a slice brought within full scale
    PacketPtr m_packet;
    int m_frameSize = 0;
    int m_inputRate = 0;
    int m_inputChannels = 0;
    int64_t m_nextPts = 0;
    qint64 m_outputFrames = 0;  // converted from the input, without the writer's own silence
    int64_t m_packets = 0;
    bool m_finished = false;
};

AudioEncoder::Impl::Impl(const QString &targetFileName, const OutputFormat &format,
                         const ChapterList &plannedChapters, const CoverPicture *cover)
    : m_target(targetFileName),
      m_setup(openLibavEncoder(format, targetFileName, cover ? cover->tagRoom() : 0)),
      m_codec(m_setup.codec.get()),
      m_file(targetFileName),
      m_kind(format.kind),
      m_chapters(plannedChapters)
{
    if (m_codec) {
        openMuxer();
        m_sampleFormat = m_codec->sample_fmt;
        m_sampleRate = m_codec->sample_rate;
        av_channel_layout_default(m_layout.get(), m_codec->ch_layout.nb_channels);
    } else {
        m_mp3 = std::make_unique<LameMp3Writer>(format.mp3, m_file.temporaryPath(), m_target,
                                                ChapterWriter::id3Size(plannedChapters), cover);
        m_sampleFormat = AV_SAMPLE_FMT_FLTP;
        m_sampleRate = m_mp3->sampleRate();
        av_channel_layout_default(m_layout.get(), m_mp3->channels());
    }
    allocateFrames();
    m_inputRate = m_sampleRate;
    m_inputChannels = m_layout->nb_channels;
    // ASF cannot mark wmav2's delay and the silence primed ahead of the audio
    // as skipped, but it can place them before the start of the timeline, so
    // that the first frame written decodes at time 0 (where the chapter markers
    // count from), in players that follow the timestamps and in those that
    // count decoded samples alike.
    if (m_setup.primeWithSilence) {
        m_nextPts = -m_codec->initial_padding;
        appendSilence(m_codec->initial_padding);
    }
}

// Everything the muxer decides at the header is handed over before it.
void AudioEncoder::Impl::openMuxer()
{
    // By this path, not by a descriptor of our own: the M4B muxer opens the file
    // again to move its index to the front.
    const QByteArray path = QFile::encodeName(m_file.temporaryPath());
    AVFormatContext *muxer = nullptr;
    check(avformat_alloc_output_context2(&muxer, nullptr, m_setup.muxer, path.constData()),
          "avformat_alloc_output_context2");
    m_muxer.reset(muxer);
    if (m_setup.noMuxerMetadata)
        m_muxer->flags |= AVFMT_FLAG_BITEXACT;
    m_muxer->metadata = m_setup.muxerMetadata.release();
    // A seekable file: muxers such as WAV's go back to the start to complete their header.
    check(avio_open(&m_muxer->pb, path.constData(), AVIO_FLAG_WRITE), "avio_open");
    m_stream = checkAllocated(avformat_new_stream(m_muxer.get(), nullptr), "avformat_new_stream",
                              m_target);
    check(avcodec_parameters_from_context(m_stream->codecpar, m_codec),
          "avcodec_parameters_from_context");
    m_stream->time_base = m_codec->time_base;
    if (m_setup.primeWithSilence)
        m_muxer->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;

    AVDictionary *options = m_setup.muxerOptions.release();
    const int result = avformat_write_header(m_muxer.get(), &options);
    DictionaryPtr unused(options);
    check(result, "avformat_write_header");
}

void AudioEncoder::Impl::allocateFrames()
{
    if (m_mp3) {
        m_frameSize = m_mp3->frameSize();
    } else {
        const bool anySize = m_codec->frame_size <= 0
                             || (m_codec->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
        m_frameSize = anySize ? kVariableFrameSize : m_codec->frame_size;
    }

    m_frame.reset(checkAllocated(av_frame_alloc(), "av_frame_alloc", m_target));
    m_converted.reset(checkAllocated(av_frame_alloc(), "av_frame_alloc", m_target));
    m_packet.reset(checkAllocated(av_packet_alloc(), "av_packet_alloc", m_target));
    m_fifo.reset(checkAllocated(av_audio_fifo_alloc(m_sampleFormat, m_layout->nb_channels,
                                                    2 * std::max(m_frameSize, kConvertSliceFrames)),
                                "av_audio_fifo_alloc", m_target));

    m_frame->format = m_sampleFormat;
    m_frame->sample_rate = m_sampleRate;
    m_frame->nb_samples = m_frameSize;
    check(av_channel_layout_copy(&m_frame->ch_layout, m_layout.get()), "av_channel_layout_copy");
    check(av_frame_get_buffer(m_frame.get(), 0), "av_frame_get_buffer");
}

void AudioEncoder::Impl::setInputFormat(int sampleRate, int channels)
{
    if (!AudioEncoder::inputFormatSupported(sampleRate, channels))
        throw AudioError(QStringLiteral("%1: cannot take input of %2 Hz with %3 channels")
                             .arg(m_target)
                             .arg(sampleRate)
                             .arg(channels));
    if (sampleRate == m_inputRate && channels == m_inputChannels)
        return;
    // What the resampler still holds belongs to the previous input's format.
    if (m_resampler) {
        drainResampler();
        m_resampler.reset();
    }
    m_inputRate = sampleRate;
    m_inputChannels = channels;
}

void AudioEncoder::Impl::createResampler()
{
    m_resampler = ChannelMix::resampler(m_inputChannels, m_inputRate, *m_layout, m_sampleFormat,
                                        m_sampleRate, m_target);
}

void AudioEncoder::Impl::write(const SampleArray &samples)
{
    if (m_finished)
        throw AudioError(QStringLiteral("%1: the file is already complete").arg(m_target));
    if (samples.empty())
        return;
    if (samples.size() % static_cast<std::size_t>(m_inputChannels) != 0)
        throw AudioError(
            QStringLiteral("%1: a block of %2 samples holds no whole frames of %3 channels")
                .arg(m_target)
                .arg(samples.size())
                .arg(m_inputChannels));
    if (!m_resampler)
        createResampler();
    const auto channels = static_cast<std::size_t>(m_inputChannels);
    const std::size_t frames = samples.size() / channels;
    for (std::size_t done = 0; done < frames;) {
        const int slice =
            static_cast<int>(std::min<std::size_t>(frames - done, kConvertSliceFrames));
        convert(samples.data() + done * channels, slice);
        done += static_cast<std::size_t>(slice);
        encodeWholeFrames();
    }
}

void AudioEncoder::Impl::convert(const float *samples, int frames)
{
    const std::size_t count = std::size_t(frames) * std::size_t(m_inputChannels);
    if (!withinFullScale(samples, count)) {
        clampToFullScale(samples, count, m_clamped);
        samples = m_clamped.data();
    }
    const int capacity = swr_get_out_samples(m_resampler.get(), frames);
    check(capacity, "swr_get_out_samples");
    reserveConverted(capacity);
    const uint8_t *input[] = {reinterpret_cast<const uint8_t *>(samples)};
    const int converted =
        swr_convert(m_resampler.get(), m_converted->data, capacity, input, frames);
    check(converted, "swr_convert");
    m_outputFrames += converted;
    appendConverted(converted);
}

void AudioEncoder::Impl::drainResampler()
{
    for (;;) {
        const int pending = swr_get_out_samples(m_resampler.get(), 0);
        check(pending, "swr_get_out_samples");
        if (pending == 0)
            return;
        reserveConverted(pending);
        const int converted =
            swr_convert(m_resampler.get(), m_converted->data, pending, nullptr, 0);
        check(converted, "swr_convert");
        if (converted == 0)
            return;
        m_outputFrames += converted;
        appendConverted(converted);
    }
}

void AudioEncoder::Impl::reserveConverted(int frames)
{
    if (frames <= m_convertedCapacity)
        return;
    av_frame_unref(m_converted.get());
    m_converted->format = m_sampleFormat;
    m_converted->nb_samples = frames;
    check(av_channel_layout_copy(&m_converted->ch_layout, m_layout.get()),
          "av_channel_layout_copy");
    check(av_frame_get_buffer(m_converted.get(), 0), "av_frame_get_buffer");
    m_convertedCapacity = frames;
}

void AudioEncoder::Impl::appendConverted(int frames)
{
    if (frames <= 0)
        return;
    const int written =
        av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void **>(m_converted->data), frames);
    check(written, "av_audio_fifo_write");
}

void AudioEncoder::Impl::appendSilence(int frames)
{
    if (frames <= 0)
        return;
    reserveConverted(frames);
    check(
        av_samples_set_silence(m_converted->data, 0, frames, m_layout->nb_channels, m_sampleFormat),
        "av_samples_set_silence");
    appendConverted(frames);
}

void AudioEncoder::Impl::encodeWholeFrames()
{
    while (av_audio_fifo_size(m_fifo.get()) >= m_frameSize)
        encodeFromFifo(m_frameSize);
}

void AudioEncoder::Impl::encodeRemainder()
{
    encodeWholeFrames();
    const int rest = av_audio_fifo_size(m_fifo.get());
    if (rest > 0)
        encodeFromFifo(rest);  // a short last frame; the encoder pads it if it must
}

void AudioEncoder::Impl::encodeFromFifo(int frames)
{
    // Normally a no-op; copies only if the encoder still holds the last buffer.
    m_frame->nb_samples = m_frameSize;
    check(av_frame_make_writable(m_frame.get()), "av_frame_make_writable");
    const int read =
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(m_frame->data), frames);
    check(read, "av_audio_fifo_read");
    m_frame->nb_samples = read;
    m_frame->pts = m_nextPts;
    m_nextPts += read;
    encode(m_frame.get());
}

void AudioEncoder::Impl::encode(const AVFrame *frame)
{
    if (m_mp3) {
        m_mp3->encode(reinterpret_cast<const float *>(frame->data[0]),
                      reinterpret_cast<const float *>(frame->data[1]), frame->nb_samples);
        return;
    }
    avCheckEncoding(avcodec_send_frame(m_codec, frame), "avcodec_send_frame", m_target);
    for (;;) {
        const int received = avcodec_receive_packet(m_codec, m_packet.get());
        if (received == AVERROR(EAGAIN) || received == AVERROR_EOF)
            return;
        avCheckEncoding(received, "avcodec_receive_packet", m_target);
        ++m_packets;
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        const int written = av_write_frame(m_muxer.get(), m_packet.get());
        av_packet_unref(m_packet.get());
        avCheckWriting(written, "av_write_frame", m_target);
    }
}

void AudioEncoder::Impl::finish(const FinishingStep &lastStep)
{
    if (m_finished)
        return;
    if (m_resampler)
        drainResampler();
    if (m_setup.primeWithSilence)
        appendSilence(m_frameSize);
    encodeRemainder();
    if (m_mp3) {
        m_mp3->finish();
    } else {
        encode(nullptr);  // drains the encoder's delay
        if (m_kind == OutputFormat::Kind::M4b)
            handChaptersToMuxer();
        writeTrailer();
    }
    ChapterWriter(m_file.temporaryPath(), m_target, m_kind, m_sampleRate)
        .write(m_chapters, m_outputFrames);
    if (lastStep)
        lastStep(m_file.temporaryPath());
    m_file.commit();
    m_finished = true;
}

// The MP4 muxer writes the chapters into the index: as a QuickTime chapter
// track, which Apple's players read, and as a Nero chpl list, which most others
// read. Given at the trailer, where the muxer adds the chapter track as it does
// at the header, so that both hold the final list: a stopped join's file lists
// only what it holds.
void AudioEncoder::Impl::handChaptersToMuxer()
{
    const ChapterList stored = ChapterWriter(m_file.temporaryPath(), m_target, m_kind, m_sampleRate)
                                   .stored(m_chapters, m_outputFrames);
    for (qsizetype index = 0; index < stored.size(); ++index) {
        ChapterPtr chapter(checkAllocated(static_cast<AVChapter *>(av_mallocz(sizeof(AVChapter))),
                                          "av_mallocz", m_target));
        chapter->id = index;
        chapter->time_base = AVRational{1, m_sampleRate};
        chapter->start = stored[index].startFrame;
        chapter->end = stored[index].endFrame;
        // Always titled, if only emptily: the chapter track leaves out untitled
        // chapters, and chpl would then list more than it.
        const QByteArray title = stored[index].title.toUtf8();
        check(av_dict_set(&chapter->metadata, "title", title.constData(), 0), "av_dict_set");
        int count = static_cast<int>(m_muxer->nb_chapters);
        check(av_dynarray_add_nofree(&m_muxer->chapters, &count, chapter.get()),
              "av_dynarray_add_nofree");
        m_muxer->nb_chapters = static_cast<unsigned>(count);
        static_cast<void>(chapter.release());  // the muxer's now
    }
}

void AudioEncoder::Impl::writeTrailer()
{
    avCheckWriting(av_write_trailer(m_muxer.get()), "av_write_trailer", m_target);
    // Closing flushes the last buffered bytes: a full disk shows up here.
    avCheckWriting(avio_closep(&m_muxer->pb), "avio_close", m_target);
    if (m_setup.mp4TagRoom) {
        AacGapless gapless;
        gapless.frames = m_nextPts;
        if (m_packets > 0) {
            gapless.priming = m_codec->initial_padding;
            gapless.padding = m_packets * m_codec->frame_size - gapless.priming - gapless.frames;
        }
        lengthenMp4Movie(m_file.temporaryPath(), m_target, gapless.priming, m_sampleRate);
        completeMp4TagRoom(m_file.temporaryPath(), m_target, gapless);
    }
}

AudioEncoder::AudioEncoder(const QString &targetFileName, const OutputFormat &format,
                           const ChapterList &plannedChapters, const CoverPicture *cover)
    : m_impl(std::make_unique<Impl>(targetFileName, format, plannedChapters, cover))
{}

AudioEncoder::~AudioEncoder() = default;

void AudioEncoder::setInputFormat(int sampleRate, int channels)
{
    m_impl->setInputFormat(sampleRate, channels);
}

bool AudioEncoder::inputFormatSupported(int sampleRate, int channels)
{
    return sampleRate > 0 && sampleRate <= kMaxInputRate && channels >= 1
           && channels <= kMaxInputChannels;
}

void AudioEncoder::write(const SampleArray &samples)
{
    m_impl->write(samples);
}

void AudioEncoder::setChapters(const ChapterList &chapters)
{
    m_impl->setChapters(chapters);
}

void AudioEncoder::finish(const FinishingStep &lastStep)
{
    m_impl->finish(lastStep);
}

int AudioEncoder::outputSampleRate() const
{
    return m_impl->outputSampleRate();
}

namespace {

struct Mp3RateFamily {
    std::array<int, 3> sampleRates;
    int minBitrate;
    int maxBitrate;
};

// The bit rates MPEG audio defines per family (LAME changes any other value
// silently, so only these count as supported).
constexpr std::array<Mp3RateFamily, 3> kMp3Families = {{
    {{32000, 44100, 48000}, 32, 320},  // MPEG-1
    {{16000, 22050, 24000}, 8, 160},   // MPEG-2
    {{8000, 11025, 12000}, 8, 64},     // MPEG-2.5
}};
constexpr std::array<int, 18> kMp3Bitrates = {8,  16,  24,  32,  40,  48,  56,  64,  80,
                                              96, 112, 128, 144, 160, 192, 224, 256, 320};
constexpr int kMpeg1OnlyBitrateMin = 32;
constexpr int kMpeg2OnlyBitrate = 144;

bool isMp3Bitrate(int bitrate, bool mpeg1)
{
    if (std::find(kMp3Bitrates.begin(), kMp3Bitrates.end(), bitrate) == kMp3Bitrates.end())
        return false;
    return mpeg1 ? bitrate >= kMpeg1OnlyBitrateMin && bitrate != kMpeg2OnlyBitrate : true;
}

}  // namespace

bool AudioEncoder::mp3FormatSupported(int sampleRate, int bitrate, int channels)
{
    if (channels < 1 || channels > 2)
        return false;
    for (std::size_t family = 0; family < kMp3Families.size(); ++family) {
        const Mp3RateFamily &rates = kMp3Families[family];
        if (std::find(rates.sampleRates.begin(), rates.sampleRates.end(), sampleRate)
            == rates.sampleRates.end())
            continue;
        return bitrate >= rates.minBitrate && bitrate <= rates.maxBitrate
               && isMp3Bitrate(bitrate, family == 0);
    }
    return false;
}

bool AudioEncoder::oggFormatSupported(int sampleRate, int channels, int bitrate, int maxBitrate,
                                      int minBitrate)
{
    // Asks libvorbis itself, with exactly the set-up the writer uses for this format.
    const OutputFormat format =
        OutputFormat::ogg(sampleRate, channels, bitrate, maxBitrate, minBitrate, -1);
    if (bitrate <= 0)
        return false;
    try {
        openEncoder(format, QStringLiteral("OGG format check"));
        return true;
    } catch (const AudioError &) {
        return false;
    }
}

bool AudioEncoder::flacFormatSupported(int sampleRate, int channels, int bitsPerSample,
                                       int compressionLevel)
{
    try {
        openEncoder(OutputFormat::flac(sampleRate, channels, bitsPerSample, compressionLevel),
                    QStringLiteral("FLAC format check"));
        return true;
    } catch (const AudioError &) {
        return false;
    }
}

bool AudioEncoder::m4bFormatSupported(int sampleRate, int channels, int bitrate)
{
    // The AAC encoder lowers a rate above what a frame can hold, so a rate it
    // changed counts as refused.
    if (bitrate <= 0)
        return false;
    try {
        const EncoderSetup setup = openEncoder(OutputFormat::m4b(sampleRate, channels, bitrate),
                                               QStringLiteral("M4B format check"));
        return setup.bitRateKept;
    } catch (const AudioError &) {
        return false;
    }
}
