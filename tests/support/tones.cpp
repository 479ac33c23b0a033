#include "support/tones.h"

#include "audio/audiofile.h"
#include "audio/core/lameencoder.h"
#include "audio/core/wmaprofiles.h"
#include "support/libavtonewriter.h"

#include <QFile>

#include <taglib/fileref.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/tpropertymap.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>

namespace {

constexpr double kLeftHz = 440.0;
constexpr double kRightHz = 660.0;
constexpr double kAmplitude = 0.5;
constexpr int kBlockSeconds = 1;
constexpr int kMpeg1MinRate = 32000;
constexpr int kLowRateMp3Kbps = 64;
constexpr int kMp3Kbps = 128;
constexpr int kOggQuality = 300;  // 0 best .. 1000 fastest
constexpr int kFlacBits = 16;
constexpr int kFlacLevel = 5;

int wmaProfileFor(int sampleRate, int channels)
{
    for (int number = 1; number <= kWmaProfileCount; ++number) {
        const WmaProfile profile = wmaProfile(number);
        if (profile.sampleRate == sampleRate && profile.channels == channels
            && wmaProfileWritable(number))
            return number;
    }
    throw std::invalid_argument("no WMA profile has " + std::to_string(sampleRate) + " Hz with "
                                + std::to_string(channels) + " channels");
}

void selectFormat(AudioFile &writer, ToneFormat format, int sampleRate, int channels)
{
    switch (format) {
    case ToneFormat::Wav16:
        writer.setWavFormat(sampleRate, channels, 16);
        return;
    case ToneFormat::Wav8:
        writer.setWavFormat(sampleRate, channels, 8);
        return;
    case ToneFormat::Mp3: {
        LameEncoder lame;
        lame.setSampleRate(sampleRate);
        lame.setChannels(channels);
        lame.setBitrate(sampleRate < kMpeg1MinRate ? kLowRateMp3Kbps : kMp3Kbps);
        lame.setConstantBitrate(true);
        writer.setMp3Encoder(lame);
        return;
    }
    case ToneFormat::Ogg:
        writer.setOggFormat(sampleRate, channels, kMp3Kbps, kMp3Kbps, kMp3Kbps, kOggQuality);
        return;
    case ToneFormat::Wma:
        writer.setWmaFormat(wmaProfileFor(sampleRate, channels));
        return;
    case ToneFormat::Flac:
        writer.setFlacFormat(sampleRate, channels, kFlacBits, kFlacLevel);
        return;
    case ToneFormat::M4b:
        writer.setM4bFormat(sampleRate, channels,
                            sampleRate < kMpeg1MinRate ? kLowRateMp3Kbps : kMp3Kbps);
        return;
    default:
        throw std::invalid_argument("the program's writer does not write this format");
    }
}

}  // namespace

namespace Tones {

qint64 frameCount(int sampleRate, double seconds)
{
    return std::llround(seconds * sampleRate);
}

SampleArray samples(int sampleRate, int channels, qint64 firstFrame, qint64 frameCount)
{
    SampleArray block(static_cast<std::size_t>(frameCount * channels));
    const double step = 2.0 * std::numbers::pi / sampleRate;
    for (qint64 frame = 0; frame < frameCount; ++frame) {
        const double t = static_cast<double>(firstFrame + frame) * step;
        for (int channel = 0; channel < channels; ++channel) {
            const double hz = channel % 2 == 0 ? kLeftHz : kRightHz;
            block[static_cast<std::size_t>(frame * channels + channel)] =
                static_cast<float>(kAmplitude * std::sin(hz * t));
        }
    }
    return block;
}

QString write(const QString &path, ToneFormat format, int sampleRate, int channels, double seconds)
{
    return write(path, format, sampleRate, channels, seconds, Hooks());
}

QString write(const QString &path, ToneFormat format, int sampleRate, int channels, double seconds,
              const Hooks &hooks)
{
    if (LibavToneWriter::writes(format)) {
        LibavToneWriter(path, format, sampleRate, channels).write(frameCount(sampleRate, seconds));
        return path;
    }
    AudioFile writer;
    selectFormat(writer, format, sampleRate, channels);
    writer.setInputFormat(sampleRate, channels);
    if (hooks.beforeCreate)
        hooks.beforeCreate(writer);
    writer.createFile(path);
    const qint64 total = frameCount(sampleRate, seconds);
    const qint64 block = static_cast<qint64>(kBlockSeconds) * sampleRate;
    const qint64 silent = frameCount(sampleRate, hooks.silentSeconds);
    for (qint64 done = 0; done < total; done += block) {
        SampleArray part = samples(sampleRate, channels, done, std::min(block, total - done));
        const qint64 silentHere =
            std::clamp<qint64>(silent - done, 0, qint64(part.size()) / channels);
        std::fill_n(part.begin(), silentHere * channels, 0.0F);
        writer.writeSamples(part);
    }
    if (hooks.beforeClose)
        hooks.beforeClose(writer);
    writer.closeFile();
    return path;
}

void setTitle(const QString &path, const QString &title)
{
    const QByteArray name = QFile::encodeName(path);
    const TagLib::String text(title.toUtf8().constData(), TagLib::String::UTF8);
    // TagLib does not name ADTS among its types; ID3v2 in front is what players read.
    if (path.endsWith(QLatin1String(".aac"))) {
        TagLib::MPEG::File adts(name.constData(), false);
        adts.ID3v2Tag(true)->setTitle(text);
        if (!adts.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripOthers))
            throw std::runtime_error("TagLib cannot save " + name.toStdString());
        return;
    }
    TagLib::FileRef file(name.constData(), false);
    if (file.isNull() || !file.tag())
        throw std::runtime_error("TagLib cannot tag " + name.toStdString());
    file.tag()->setTitle(text);
    if (!file.save())
        throw std::runtime_error("TagLib cannot save " + name.toStdString());
}

void setProperties(const QString &path, const QList<std::pair<QString, QString>> &properties)
{
    const QByteArray name = QFile::encodeName(path);
    TagLib::FileRef file(name.constData(), false);
    if (file.isNull())
        throw std::runtime_error("TagLib cannot tag " + name.toStdString());
    TagLib::PropertyMap map = file.file()->properties();
    for (const auto &[key, value] : properties)
        map.replace(
            TagLib::String(key.toUtf8().constData(), TagLib::String::UTF8),
            TagLib::StringList(TagLib::String(value.toUtf8().constData(), TagLib::String::UTF8)));
    file.file()->setProperties(map);
    if (!file.save())
        throw std::runtime_error("TagLib cannot save " + name.toStdString());
}

}  // namespace Tones
