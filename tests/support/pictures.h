#pragma once

#include <QByteArray>
#include <QRgb>
#include <QString>

namespace Pictures {

// A small picture of one colour, encoded in format ("PNG", "JPEG") by Qt.
QByteArray encoded(const char *format, QRgb colour);
// Writes bytes to path and returns path.
QString write(const QString &path, const QByteArray &bytes);
// The first bytes of a GIF: a picture of a kind the outputs do not take.
inline const QByteArray kGifHead("GIF89a\x06\x00\x04\x00", 10);

}  // namespace Pictures
