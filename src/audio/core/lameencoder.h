#pragma once

// The MP3 encoder settings holder: the writer reads these when SetMp3Encoder
// is called and encodes with them.
class LameEncoder {
public:
    int VbrBitrate() const { return m_vbrBitrate; }
    void SetVbrBitrate(int kbps) { m_vbrBitrate = kbps; }
    int VbrQuality() const { return m_vbrQuality; }
    void SetVbrQuality(int quality) { m_vbrQuality = quality; }
    bool ConstantBitrate() const { return m_constantBitrate; }
    void SetConstantBitrate(bool constant) { m_constantBitrate = constant; }
    int Quality() const { return m_quality; }
    void SetQuality(int quality) { m_quality = quality; }
    int SampleRate() const { return m_sampleRate; }
    void SetSampleRate(int hz) { m_sampleRate = hz; }
    int Channels() const { return m_channels; }
    void SetChannels(int channels) { m_channels = channels; }
    int Bitrate() const { return m_bitrate; }
    void SetBitrate(int kbps) { m_bitrate = kbps; }

private:
    int m_vbrBitrate = 128;
    int m_vbrQuality = 5;
    bool m_constantBitrate = true;
    int m_quality = 9;
    int m_sampleRate = 44100;
    int m_channels = 2;
    int m_bitrate = 128;
};
