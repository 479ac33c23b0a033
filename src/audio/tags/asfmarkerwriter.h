#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

// Stores chapters as the markers of a WMA (ASF) file: a Marker Object in the
// header with one entry per chapter, giving its presentation time and the send
// time and Data Object offset of the data packet in which that time falls. The
// header grows, so the data behind it moves up; nothing in the file points at
// absolute positions (the index counts packets), and a marker's offset counts
// from the start of the Data Object. Failures throw AudioError.
class AsfMarkerWriter {
public:
    struct Marker {
        QString title;
        qint64 time = 0;  // 100-ns units on the file's timeline, without the preroll
    };

    // Opens fileName; shownName names it in messages.
    AsfMarkerWriter(const QString &fileName, const QString &shownName);

    // Replaces the markers the file holds, if any, with these.
    void write(const QList<Marker> &markers);

private:
    QByteArray renderMarkers(const QList<Marker> &markers, qint64 prerollMs);
    qint64 packetAt(qint64 timeMs);
    qint64 packetSendTime(qint64 packet);
    void moveTail(qint64 from, qint64 distance);
    QByteArray readAt(qint64 offset, qint64 length);
    void writeAt(qint64 offset, const QByteArray &bytes);
    [[noreturn]] void fail(const QString &cause) const;

    QString m_shownName;
    QFile m_file;
    qint64 m_dataStart = 0;
    qint64 m_packetSize = 0;
    qint64 m_packetCount = 0;
};
