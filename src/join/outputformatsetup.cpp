#include "join/outputformatsetup.h"

#include "audio/audiofile.h"
#include "audio/core/lameencoder.h"
#include "audio/core/outputformats.h"
#include "audio/core/wmaprofiles.h"
#include "platform/messages.h"
#include "platform/prompter.h"
#include "settings/settings.h"
#include "settings/settingskeys.h"
#include "settings/valuelists.h"

namespace {

// The set-up's own defaults for keys the file does not hold. They differ from
// the dialog's in two places (vbr quality, enable quality); each side keeps its own.
constexpr int kDefaultMp3Quality = 9;
constexpr int kDefaultVbrQuality = 5;
constexpr bool kDefaultOggQualityMode = false;
constexpr int kDefaultOggQuality = 300;

// "enable vbr" is read as an integer: any value other than these two leaves the
// encoder's VBR settings as they are.
constexpr int kVbrOff = 0;
constexpr int kVbrOn = 1;

using ValueLists::kWavModeCdQuality;
using ValueLists::kWavModeCustom;
constexpr int kCdSampleRate = 44100;
constexpr int kCdChannels = 2;
constexpr int kCdBitsPerSample = 16;

// Managed-bit-rate OGG: the writer is asked with 128 kbit/s bounds and no quality.
constexpr int kOggManagedBoundKbps = 128;
constexpr qint16 kOggNoQuality = -1;

}  // namespace

OutputFormatSetup::OutputFormatSetup(Settings &settings, AudioFile &writer, LameEncoder &encoder,
                                     Prompter &prompter)
    : m_settings(settings), m_writer(writer), m_encoder(encoder), m_prompter(prompter)
{}

bool OutputFormatSetup::setUpOutputFormat(int formatIndex, QString &extension)
{
    extension.clear();
    if (!ValueLists::contains(kOutputFormatCount, formatIndex))
        return true;
    const OutputFormatInfo &format = kOutputFormats[static_cast<std::size_t>(formatIndex)];
    bool accepted = true;
    switch (format.kind) {
    case OutputFormat::Kind::Mp3:
        accepted = setUpMp3();
        break;
    case OutputFormat::Kind::Wav:
        setUpWav();
        break;
    case OutputFormat::Kind::Wma:
        accepted = setUpWma();
        break;
    case OutputFormat::Kind::Ogg:
        accepted = setUpOgg();
        break;
    case OutputFormat::Kind::Flac:
        accepted = setUpFlac();
        break;
    case OutputFormat::Kind::M4b:
        accepted = setUpM4b();
        break;
    case OutputFormat::Kind::None:
        return true;
    }
    if (accepted)
        extension = format.extension;
    return accepted;
}

bool OutputFormatSetup::setUpMp3()
{
    putMp3EncoderSettings();
    if (!m_writer.checkMp3Format(m_encoder.sampleRate(), m_encoder.bitrate(),
                                 m_encoder.channels())) {
        // The encoder keeps what was put on it; only the writer is left untouched.
        m_prompter.information(Messages::kMp3FormatNotSupported);
        return false;
    }
    m_writer.setMp3Encoder(m_encoder);
    return true;
}

void OutputFormatSetup::putMp3EncoderSettings()
{
    m_encoder.setSampleRate(readSampleRate(SettingsKeys::kMp3));
    m_encoder.setBitrate(readBitRate(SettingsKeys::kMp3, SettingsKeys::kBitrate));
    m_encoder.setChannels(readChannels(SettingsKeys::kMp3));
    m_encoder.setQuality(
        m_settings.readInteger(SettingsKeys::kMp3, SettingsKeys::kQuality, kDefaultMp3Quality));
    putMp3VbrSettings(
        m_settings.readInteger(SettingsKeys::kMp3, SettingsKeys::kEnableVbr, kVbrOff));
}

void OutputFormatSetup::putMp3VbrSettings(int enableVbr)
{
    if (enableVbr == kVbrOff) {
        m_encoder.setConstantBitrate(true);
    } else if (enableVbr == kVbrOn) {
        m_encoder.setConstantBitrate(false);
        m_encoder.setVbrBitrate(readBitRate(SettingsKeys::kMp3, SettingsKeys::kVbrBitrate));
        m_encoder.setVbrQuality(m_settings.readInteger(
            SettingsKeys::kMp3, SettingsKeys::kVbrQuality, kDefaultVbrQuality));
    }
}

void OutputFormatSetup::setUpWav()
{
    const int mode =
        m_settings.readInteger(SettingsKeys::kWav, SettingsKeys::kMode, kWavModeCdQuality);
    // Any mode but custom is CD quality, a hand-edited one too: the writer must
    // never keep another format for a file named .wav.
    if (mode != kWavModeCustom) {
        m_writer.setWavFormat(kCdSampleRate, kCdChannels, kCdBitsPerSample);
    } else {
        const int bitsPerSample = ValueLists::bitsPerSampleAt(m_settings.readIndex(
            SettingsKeys::kWav, SettingsKeys::kBit, ValueLists::kDefaultBitsPerSampleIndex,
            int(ValueLists::kBitsPerSample.size())));
        const int channels = readChannels(SettingsKeys::kWav);
        const int sampleRate = readSampleRate(SettingsKeys::kWav);
        m_writer.setWavFormat(sampleRate, channels, bitsPerSample);
    }
}

bool OutputFormatSetup::setUpWma()
{
    const int profileIndex =
        m_settings.readIndex(SettingsKeys::kWma, SettingsKeys::kFormat,
                             ValueLists::kDefaultWmaProfileIndex, kWmaProfileCount);
    // Profile numbers count from 1.
    if (!m_writer.checkWmaFormat(profileIndex + 1)) {
        m_prompter.information(Messages::kWmaProfileNotSupported.arg(
            ValueLists::wmaProfileCaptions().at(profileIndex)));
        return false;
    }
    m_writer.setWmaFormat(profileIndex + 1);
    return true;
}

bool OutputFormatSetup::setUpOgg()
{
    if (m_settings.readSwitch(SettingsKeys::kOgg, SettingsKeys::kEnableQuality,
                              kDefaultOggQualityMode)) {
        setUpOggQualityMode();
        return true;
    }
    return setUpOggManagedBitrate();
}

void OutputFormatSetup::setUpOggQualityMode()
{
    const int bitrate = readBitRate(SettingsKeys::kOgg, SettingsKeys::kBitrate);
    const int maxBitrate = readBitRate(SettingsKeys::kOgg, SettingsKeys::kMaxBitrate);
    const int minBitrate = readBitRate(SettingsKeys::kOgg, SettingsKeys::kMinBitrate);
    const int quality =
        m_settings.readInteger(SettingsKeys::kOgg, SettingsKeys::kQuality, kDefaultOggQuality);
    const int channels = readChannels(SettingsKeys::kOgg);
    const int sampleRate = readSampleRate(SettingsKeys::kOgg);
    m_writer.setOggFormat(sampleRate, channels, bitrate, maxBitrate, minBitrate, qint16(quality));
}

bool OutputFormatSetup::setUpOggManagedBitrate()
{
    const OggManagedFormat asked = readOggManagedFormat();
    if (!m_writer.checkOggFormat(asked.sampleRate, asked.channels, asked.bitrate,
                                 kOggManagedBoundKbps, kOggManagedBoundKbps)) {
        m_prompter.information(Messages::kOggFormatNotSupported);
        return false;
    }
    // Read again for the format call, exactly as the check read them.
    const OggManagedFormat format = readOggManagedFormat();
    m_writer.setOggFormat(format.sampleRate, format.channels, format.bitrate, kOggManagedBoundKbps,
                          kOggManagedBoundKbps, kOggNoQuality);
    return true;
}

OutputFormatSetup::OggManagedFormat OutputFormatSetup::readOggManagedFormat()
{
    OggManagedFormat format;
    format.bitrate = readBitRate(SettingsKeys::kOgg, SettingsKeys::kBitrate);
    format.channels = readChannels(SettingsKeys::kOgg);
    format.sampleRate = readSampleRate(SettingsKeys::kOgg);
    return format;
}

bool OutputFormatSetup::setUpFlac()
{
    const int sampleRate = readSampleRate(SettingsKeys::kFlac);
    const int channels = readChannels(SettingsKeys::kFlac);
    const int bitsPerSample = ValueLists::flacBitsPerSampleAt(m_settings.readIndex(
        SettingsKeys::kFlac, SettingsKeys::kBit, ValueLists::kDefaultFlacBitsIndex,
        int(ValueLists::kFlacBitsPerSample.size())));
    const int level = m_settings.readInteger(SettingsKeys::kFlac, SettingsKeys::kCompressionLevel,
                                             ValueLists::kDefaultFlacLevel);
    if (!m_writer.checkFlacFormat(sampleRate, channels, bitsPerSample, level)) {
        m_prompter.information(Messages::kFlacFormatNotSupported);
        return false;
    }
    m_writer.setFlacFormat(sampleRate, channels, bitsPerSample, level);
    return true;
}

bool OutputFormatSetup::setUpM4b()
{
    const int sampleRate = ValueLists::m4bSampleRateAt(m_settings.readIndex(
        SettingsKeys::kM4b, SettingsKeys::kFrequency, ValueLists::kDefaultM4bSampleRateIndex,
        int(ValueLists::kM4bSampleRates.size())));
    const int channels = readChannels(SettingsKeys::kM4b);
    const int defaultBitRateIndex = ValueLists::m4bDefaultBitRateIndex(channels);
    const int bitrate = ValueLists::m4bBitRateAt(
        m_settings.readIndex(SettingsKeys::kM4b, SettingsKeys::kBitrate, defaultBitRateIndex,
                             ValueLists::kM4bBitRateCount),
        defaultBitRateIndex);
    if (!m_writer.checkM4bFormat(sampleRate, channels, bitrate)) {
        m_prompter.information(Messages::kM4bFormatNotSupported);
        return false;
    }
    m_writer.setM4bFormat(sampleRate, channels, bitrate);
    return true;
}

int OutputFormatSetup::readSampleRate(const QString &section)
{
    return ValueLists::sampleRateAt(m_settings.readIndex(section, SettingsKeys::kFrequency,
                                                         ValueLists::kDefaultSampleRateIndex,
                                                         int(ValueLists::kSampleRates.size())));
}

int OutputFormatSetup::readBitRate(const QString &section, const QString &key)
{
    return ValueLists::bitRateAt(m_settings.readIndex(
        section, key, ValueLists::kDefaultBitRateIndex, int(ValueLists::kBitRates.size())));
}

int OutputFormatSetup::readChannels(const QString &section)
{
    return ValueLists::channelsAt(m_settings.readIndex(section, SettingsKeys::kChannel,
                                                       ValueLists::kDefaultChannelIndex,
                                                       ValueLists::kChannelCount));
}
