#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// A WAV file, plain RIFF or RF64, opened to rewrite the chunks that follow its
// audio: tags and chapters live there, so rewriting them never moves the audio.
// Failures throw AudioError ("Cannot write <what> to "<name>": <cause>").
class WaveChunkFile {
public:
    struct Chunk {
        QByteArray id;
        QByteArray body;  // a LIST body starts with its list type
    };
    // Tells the chunks one writer owns, from their id and, for a LIST, its type.
    using Owner = bool (*)(const QByteArray &id, const QByteArray &listType);

    // Opens fileName; shownName names it in messages, what says what is written.
    WaveChunkFile(const QString &fileName, const QString &shownName, const QString &what);

    // The chunk as it is stored: id, 32-bit size, body and a pad byte to even length.
    static QByteArray render(const Chunk &chunk);

    bool isRf64() const { return m_rf64; }

    // Removes every chunk after the audio that owns() accepts, keeps the others
    // in their order, appends chunks (those with an empty body are left out) and
    // updates the RIFF size (in the ds64 chunk for RF64).
    void replaceAfterAudio(Owner owns, const QList<Chunk> &chunks);

    [[noreturn]] void fail(const QString &cause) const;

private:
    struct Span {
        qint64 start;
        qint64 end;
        bool owned;
    };

    QList<Span> chunksAfterAudio(Owner owns, qint64 &chunksEnd);
    quint64 readUInt64At(qint64 offset);
    void writeAt(qint64 offset, const QByteArray &bytes);

    QString m_shownName;
    QString m_what;
    QFile m_file;
    bool m_rf64 = false;
};
