#pragma once

#include "audio/core/chapter.h"
#include "audio/core/mp3frameheader.h"
#include "audio/encode/mp3infoframe.h"
#include "audio/encode/outputfile.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <functional>
#include <vector>

struct CoverPicture;

// Writes an MP3 made of frames handed over whole (copied or encoded): an
// ID3v2 tag with room for the tags and chapters stamped later, one Xing/LAME
// header frame for the whole stream (its frame and byte counts, a seek table,
// the gapless trim, the CRCs), then the frames. Nothing takes the target's
// name before finish(); a writer dropped before leaves nothing.
class Mp3CopyWriter {
public:
    // format: the stream's MPEG version, rate and channels. extraTagRoom:
    // bytes kept for the chapters; cover: held in the tag from the start (see
    // id3TagRoom). Throws AudioError naming the target.
    Mp3CopyWriter(const QString &target, const Mp3FrameHeader &format, int extraTagRoom,
                  const CoverPicture *cover = nullptr);

    void writeFrame(const quint8 *frame, int bytes);
    qint64 frames() const { return qint64(m_offsets.size()); }
    // Completes the header frame with the trim, stores the chapters (frames at
    // the stream's rate), runs lastStep on the file and gives it its name.
    void finish(int delay, int padding, const ChapterList &chapters,
                const std::function<void(const QString &path)> &lastStep);

private:
    void put(const char *data, qint64 size);
    void flushBuffer();
    QByteArray tableOfContents(qint64 streamBytes) const;

    OutputFile m_output;
    QString m_target;
    QFile m_file;
    Mp3FrameHeader m_format;
    Mp3InfoFrame m_infoFrame;
    Mp3InfoFrame::Stream m_stream;
    qint64 m_infoFrameAt = 0;
    QByteArray m_buffer;
    // Where each frame starts, counted from the header frame.
    std::vector<qint64> m_offsets;
    int m_firstBitrate = 0;
    bool m_variable = false;
};
