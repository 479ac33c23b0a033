#include "support/pictures.h"

#include <QBuffer>
#include <QImage>

QByteArray Pictures::encoded(const char *format, QRgb colour)
{
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}
