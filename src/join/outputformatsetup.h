#pragma once

#include <QString>

class AudioFile;
class LameEncoder;
class Prompter;
class Settings;

// Tells the writer the output format of a join, from the encoder settings in the
// settings file, before the output file is created. MP3, managed-bit-rate OGG,
// FLAC and M4B combinations and WMA profiles the encoders cannot produce are
// refused with a message.
class OutputFormatSetup {
public:
    OutputFormatSetup(Settings &settings, AudioFile &writer, LameEncoder &encoder,
                      Prompter &prompter);

    // formatIndex is the position in the output format list (MP3, WAV, WMA, OGG,
    // FLAC, M4B);
    // any other value means no format is selected: nothing is set and the
    // extension is empty. False when the combination was refused.
    bool setUpOutputFormat(int formatIndex, QString &extension);

private:
    struct OggManagedFormat {
        int sampleRate = 0;
        int channels = 0;
        int bitrate = 0;
    };

    bool setUpMp3();
    void putMp3EncoderSettings();
    void putMp3VbrSettings(int enableVbr);
    void setUpWav();
    bool setUpWma();
    bool setUpOgg();
    void setUpOggQualityMode();
    bool setUpOggManagedBitrate();
    OggManagedFormat readOggManagedFormat();
    bool setUpFlac();
    bool setUpM4b();

    int readSampleRate(const QString &section);
    int readBitRate(const QString &section, const QString &key);
    int readChannels(const QString &section);

    Settings &m_settings;
    AudioFile &m_writer;
    LameEncoder &m_encoder;
    Prompter &m_prompter;
};
