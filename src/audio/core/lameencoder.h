#pragma once

// The MP3 encoder settings holder: the writer reads these when SetMp3Encoder
// is called and encodes with them.
class LameEncoder {
public:
    int vbrBitrate() const { return m_vbrBitrate; }
    void setVbrBitrate(int kbps) { m_vbrBitrate = kbps; }
    int vbrQuality() const { return m_vbrQuality; }
    void setVbrQuality(int quality) { m_vbrQuality = quality; }
    bool constantBitrate() const { return m_constantBitrate; }
    void setConstantBitrate(bool constant) { m_constantBitrate = constant; }
    int quality() const { return m_quality; }
    void setQuality(int quality) { m_quality = quality; }
    int sampleRate() const { return m_sampleRate; }
    void setSampleRate(int hz) { m_sampleRate = hz; }
    int channels() const { return m_channels; }
    void setChannels(int channels) { m_channels = channels; }
    int bitrate() const { return m_bitrate; }
    void setBitrate(int kbps) { m_bitrate = kbps; }

private:
    int m_vbrBitrate = 128;
    int m_vbrQuality = 5;
    bool m_constantBitrate = true;
    int m_quality = 9;
    int m_sampleRate = 44100;
    int m_channels = 2;
    int m_bitrate = 128;
};
