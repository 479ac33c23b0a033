#include "audio/audiofile.h"

#include "audio/core/audioerror.h"
#include "audio/core/outputformat.h"
#include "audio/core/wmaprofiles.h"
#include "audio/decode/audiodecoder.h"
#include "audio/encode/audioencoder.h"
#include "audio/tags/chapterwriter.h"

#include <utility>

class AudioFile::Impl {
public:
    std::unique_ptr<AudioDecoder> reader;
    std::unique_ptr<AudioEncoder> writer;
    OutputFormat format;
    SampleArray spareBlock;
    ChapterList plannedChapters;        // given before CreateFile, handed to the writer there
    std::optional<CoverPicture> cover;  // the same
    int inputRate = 44100;
    int inputChannels = 2;
    // Kept after CloseFile: callers ask for the length of the file last opened.
    qint64 sampleCount = 0;
    qint64 durationMs = 0;
    int channels = 0;
    int sampleRate = 0;
};

AudioFile::AudioFile() : m_impl(std::make_unique<Impl>()) {}

AudioFile::~AudioFile() = default;

void AudioFile::openFile(const QString &fileName, int, int)
{
    closeFile();
    m_impl->sampleCount = 0;
    m_impl->durationMs = 0;
    auto reader = std::make_unique<AudioDecoder>(fileName);
    m_impl->sampleCount = reader->sampleCount();
    m_impl->durationMs = reader->durationMs();
    m_impl->channels = reader->channels();
    m_impl->sampleRate = reader->sampleRate();
    m_impl->reader = std::move(reader);
}

SampleArray AudioFile::readSamples(int frameCount)
{
    if (!m_impl->reader)
        throw AudioError(QStringLiteral("ReadSamples: no file is open for reading"));
    SampleArray samples = std::move(m_impl->spareBlock);
    m_impl->spareBlock = SampleArray();
    m_impl->reader->read(frameCount, samples);
    return samples;
}

void AudioFile::releaseSamples(SampleArray &&samples)
{
    m_impl->spareBlock = std::move(samples);
}

bool AudioFile::checkMp3Format(int sampleRate, int bitrate, int channels)
{
    return AudioEncoder::mp3FormatSupported(sampleRate, bitrate, channels);
}

bool AudioFile::checkOggFormat(int sampleRate, int channels, int bitrate, int maxBitrate,
                               int minBitrate)
{
    return AudioEncoder::oggFormatSupported(sampleRate, channels, bitrate, maxBitrate, minBitrate);
}

bool AudioFile::checkFlacFormat(int sampleRate, int channels, int bitsPerSample,
                                int compressionLevel)
{
    return AudioEncoder::flacFormatSupported(sampleRate, channels, bitsPerSample, compressionLevel);
}

bool AudioFile::checkM4bFormat(int sampleRate, int channels, int bitrate)
{
    return AudioEncoder::m4bFormatSupported(sampleRate, channels, bitrate);
}

bool AudioFile::inputFormatSupported(int sampleRate, int channels)
{
    return AudioEncoder::inputFormatSupported(sampleRate, channels);
}

bool AudioFile::checkWmaFormat(int profile)
{
    return profile >= 1 && profile <= kWmaProfileCount && wmaProfileWritable(profile);
}

void AudioFile::setInputFormat(int sampleRate, int channels)
{
    // Refused before it is kept: a later CreateFile must not inherit it.
    if (!inputFormatSupported(sampleRate, channels))
        throw AudioError(QStringLiteral("Cannot write audio of %1 Hz with %2 channels")
                             .arg(sampleRate)
                             .arg(channels));
    if (m_impl->writer)
        m_impl->writer->setInputFormat(sampleRate, channels);
    m_impl->inputRate = sampleRate;
    m_impl->inputChannels = channels;
}

void AudioFile::setWavFormat(int sampleRate, int channels, int bitsPerSample)
{
    m_impl->format = OutputFormat::wav(sampleRate, channels, bitsPerSample);
}

void AudioFile::setMp3Encoder(const LameEncoder &encoder)
{
    m_impl->format = OutputFormat::mp3With(encoder);
}

void AudioFile::setOggFormat(int sampleRate, int channels, int bitrate, int maxBitrate,
                             int minBitrate, qint16 quality)
{
    m_impl->format =
        OutputFormat::ogg(sampleRate, channels, bitrate, maxBitrate, minBitrate, quality);
}

void AudioFile::setWmaFormat(int profile)
{
    m_impl->format = OutputFormat::wma(profile);
}

void AudioFile::setFlacFormat(int sampleRate, int channels, int bitsPerSample, int compressionLevel)
{
    m_impl->format = OutputFormat::flac(sampleRate, channels, bitsPerSample, compressionLevel);
}

void AudioFile::setM4bFormat(int sampleRate, int channels, int bitrate)
{
    m_impl->format = OutputFormat::m4b(sampleRate, channels, bitrate);
}

void AudioFile::createFile(const QString &fileName, int)
{
    closeFile();
    // Kept only once it is complete, so that a failure leaves nothing open that a
    // later close would finish over the target.
    const ChapterList planned = std::exchange(m_impl->plannedChapters, {});
    const std::optional<CoverPicture> cover = std::exchange(m_impl->cover, std::nullopt);
    auto writer = std::make_unique<AudioEncoder>(fileName, m_impl->format, planned,
                                                 cover ? &*cover : nullptr);
    writer->setInputFormat(m_impl->inputRate, m_impl->inputChannels);
    m_impl->writer = std::move(writer);
}

void AudioFile::writeSamples(const SampleArray &samples)
{
    if (!m_impl->writer)
        throw AudioError(QStringLiteral("WriteSamples: no file is open for writing"));
    m_impl->writer->write(samples);
}

int AudioFile::outputSampleRate() const
{
    if (m_impl->writer)
        return m_impl->writer->outputSampleRate();
    if (m_impl->format.kind == OutputFormat::Kind::None)
        throw AudioError(QStringLiteral("OutputSampleRate: no output format selected"));
    return m_impl->format.writtenSampleRate();
}

int AudioFile::outputChannels() const
{
    return m_impl->format.outputChannels();
}

const OutputFormat &AudioFile::outputFormat() const
{
    return m_impl->format;
}

qsizetype AudioFile::maxChapters() const
{
    return ChapterWriter::maxChapters(m_impl->format.kind);
}

void AudioFile::setChapters(const ChapterList &chapters)
{
    if (m_impl->writer)
        m_impl->writer->setChapters(chapters);
    else
        m_impl->plannedChapters = chapters;
}

void AudioFile::setCover(const std::optional<CoverPicture> &cover)
{
    m_impl->cover = cover;
}

void AudioFile::closeFile(const std::function<void(const QString &path)> &lastStep)
{
    m_impl->reader.reset();
    if (m_impl->writer) {
        // Dropped before finishing, whatever happens: a failed finish must not
        // leave the instance holding a half-written output.
        std::unique_ptr<AudioEncoder> writer = std::move(m_impl->writer);
        writer->finish(lastStep);
    }
}

void AudioFile::abortFile()
{
    m_impl->reader.reset();
    // The encoder dropped unfinished takes its unnamed file with it.
    m_impl->writer.reset();
}

qint64 AudioFile::sampleCount() const
{
    return m_impl->sampleCount;
}

qint64 AudioFile::duration() const
{
    return m_impl->durationMs;
}

bool AudioFile::isOpen() const
{
    return m_impl->reader || m_impl->writer;
}

int AudioFile::blockAlign() const
{
    return m_impl->channels > 0 ? m_impl->channels : 1;
}

int AudioFile::channels() const
{
    return m_impl->channels;
}

int AudioFile::sampleRate() const
{
    return m_impl->sampleRate;
}
