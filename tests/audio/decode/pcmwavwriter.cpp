#include "pcmwavwriter.h"

#include <QByteArray>
#include <QFile>

#include <cmath>
#include <cstring>
#include <numbers>
#include <stdexcept>

namespace {

constexpr quint16 kFormatPcm = 1;
constexpr quint16 kFormatFloat = 3;
constexpr quint16 kFormatExtensible = 0xFFFE;

void put16(QByteArray &out, quint16 value)
{
    out.append(char(value & 0xFF));
    out.append(char(value >> 8));
}

void put32(QByteArray &out, quint32 value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char((value >> shift) & 0xFF));
}

bool isFloat(PcmFormat format)
{
    return format == PcmFormat::F32 || format == PcmFormat::F64;
}

double signal(qint64 frame, int channel, int sampleRate)
{
    const double hz = 300.0 + 200.0 * channel;
    return 0.6 * std::sin(2.0 * std::numbers::pi * hz * double(frame) / sampleRate);
}

// Appends one sample in the file's format; returns what a reader decodes it to.
float appendSample(QByteArray &out, PcmFormat format, double value)
{
    switch (format) {
    case PcmFormat::U8: {
        const long q = std::lrint(value * 127.0);
        out.append(char(quint8(q + 128)));
        return float(q) / 128.0f;
    }
    case PcmFormat::S16: {
        const long q = std::lrint(value * 32767.0);
        put16(out, quint16(qint16(q)));
        return float(q) / 32768.0f;
    }
    case PcmFormat::S24: {
        const long q = std::lrint(value * 8388607.0);
        const quint32 bits = quint32(qint32(q));
        out.append(char(bits & 0xFF));
        out.append(char((bits >> 8) & 0xFF));
        out.append(char((bits >> 16) & 0xFF));
        return float(double(q) / 8388608.0);
    }
    case PcmFormat::S32: {
        const long long q = std::llrint(value * 2147483647.0);
        put32(out, quint32(qint32(q)));
        return float(double(q) / 2147483648.0);
    }
    case PcmFormat::F32: {
        const float f = float(value);
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        put32(out, bits);
        return f;
    }
    case PcmFormat::F64: {
        quint64 bits;
        std::memcpy(&bits, &value, sizeof bits);
        put32(out, quint32(bits));
        put32(out, quint32(bits >> 32));
        return float(value);
    }
    }
    throw std::logic_error("unknown PCM format");
}

void appendFormatChunk(QByteArray &out, const PcmWav &wav)
{
    const int sampleBytes = bytesPerSample(wav.format);
    const quint16 tag = isFloat(wav.format) ? kFormatFloat : kFormatPcm;
    out.append("fmt ");
    put32(out, wav.extensible ? 40 : 16);
    put16(out, wav.extensible ? kFormatExtensible : tag);
    put16(out, quint16(wav.channels));
    put32(out, quint32(wav.sampleRate));
    put32(out, quint32(wav.sampleRate * wav.channels * sampleBytes));
    put16(out, quint16(wav.channels * sampleBytes));
    put16(out, quint16(sampleBytes * 8));
    if (!wav.extensible)
        return;
    put16(out, 22);                             // extension size
    put16(out, quint16(sampleBytes * 8));       // valid bits
    put32(out, wav.channels == 1 ? 0x4 : 0x3);  // front centre, or front left and right
    // The sub-format GUID: the format tag followed by the fixed KSDATAFORMAT tail.
    put16(out, tag);
    out.append(QByteArray::fromHex("000000001000800000aa00389b71"));
}

}  // namespace

int bytesPerSample(PcmFormat format)
{
    switch (format) {
    case PcmFormat::U8:
        return 1;
    case PcmFormat::S16:
        return 2;
    case PcmFormat::S24:
        return 3;
    case PcmFormat::S32:
    case PcmFormat::F32:
        return 4;
    case PcmFormat::F64:
        return 8;
    }
    throw std::logic_error("unknown PCM format");
}

SampleArray writePcmWav(const QString &path, const PcmWav &wav, qint64 frameCount)
{
    QByteArray data;
    SampleArray expected;
    expected.reserve(size_t(frameCount * wav.channels));
    for (qint64 frame = 0; frame < frameCount; ++frame) {
        for (int channel = 0; channel < wav.channels; ++channel)
            expected.push_back(
                appendSample(data, wav.format, signal(frame, channel, wav.sampleRate)));
    }
    QByteArray format;
    appendFormatChunk(format, wav);
    const quint32 dataBytes = wav.claimedDataBytes.value_or(quint32(data.size()));

    QByteArray file("RIFF");
    const bool padded = data.size() % 2 != 0;  // RIFF chunks are word aligned
    put32(file, quint32(4 + format.size() + 8 + data.size() + (padded ? 1 : 0)));
    file.append("WAVE");
    file.append(format);
    file.append("data");
    put32(file, dataBytes);
    file.append(data);
    if (padded)
        file.append('\0');

    QFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return expected;
}
