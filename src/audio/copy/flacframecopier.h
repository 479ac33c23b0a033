#pragma once

#include <QByteArray>
#include <QCryptographicHash>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QtGlobal>

class FlacFrameHeader;
class InputStream;
struct AVFrame;

// Joins native FLAC files of one sample rate, channel count and bit depth into
// one FLAC file without encoding anything: every frame is copied as it is, only
// its header renumbered for a stream of variable block sizes (the number of its
// first sample in the join, a new CRC-8) and its CRC-16 taken again. STREAMINFO
// gets the join's length, block and frame size bounds and the MD5 of all its
// audio, for which every frame is decoded to its exact integers.
//
// Each input is checked as it is copied: header and frame CRCs, frames that
// follow on without a gap, and the length and MD5 its own STREAMINFO states.
// A damaged or mismatched input throws AudioError naming it and the reason;
// the output is then never given the target's name.
class FlacFrameCopier {
public:
    explicit FlacFrameCopier(QStringList inputs);

    // Writes the join to target through OutputFile; throws AudioError.
    void write(const QString &target);

private:
    struct Format {
        int sampleRate = 0;
        int channels = 0;
        int bitsPerSample = 0;
        bool operator==(const Format &) const = default;
    };

    void start();
    // Fills in STREAMINFO and closes the file.
    void finish();
    void copyInput(const QString &fileName);
    void checkFormat(const QString &fileName, const Format &format);
    void copyFrame(const QString &fileName, const FlacFrameHeader &header, const quint8 *data,
                   qint64 size);
    void hashFrame(const QString &fileName, const AVFrame *frame, QCryptographicHash &inputMd5);
    void writeBytes(const QByteArray &bytes);
    QByteArray streamInfo() const;

    QStringList m_inputs;
    QString m_target;
    QFile m_file;
    QCryptographicHash m_md5{QCryptographicHash::Md5};
    QByteArray m_pcm;  // one frame's samples as the MD5 takes them, reused
    Format m_format;
    QString m_firstInput;
    qint64 m_samples = 0;
    qint64 m_minBlock = 0;  // over the frames before the last
    qint64 m_maxBlock = 0;
    qint64 m_minFrameBytes = 0;
    qint64 m_maxFrameBytes = 0;
    // The frame written last, and its input: whether it may be followed by
    // another is known only when one comes.
    qint64 m_lastBlock = 0;
    QString m_lastBlockInput;
};
