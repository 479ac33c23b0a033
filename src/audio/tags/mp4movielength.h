#pragma once

#include <QString>
#include <QtGlobal>

// GStreamer's MP4 reader ends the whole movie at the movie header's duration,
// measured against the sound track's media time, where the encoder's priming
// stands in front of the audio: it would drop the audio of the last frames. So
// the movie header is lengthened by the priming; the edit list, which FFmpeg
// and Apple's players follow, keeps stating the exact length.
// path is the complete file; throws AudioError naming fileName.
void lengthenMp4Movie(const QString &path, const QString &fileName, qint64 primingFrames,
                      int sampleRate);
