#pragma once

#include <QByteArray>
#include <QRgb>

namespace Pictures {

// A small picture of one colour, encoded in format ("PNG", "JPEG") by Qt.
QByteArray encoded(const char *format, QRgb colour);

}  // namespace Pictures
