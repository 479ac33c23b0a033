#include "audio/tags/coverpicture.h"

#include "audio/core/audioerror.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace {

const QByteArray kJpegMagic("\xFF\xD8\xFF", 3);
const QByteArray kPngMagic("\x89PNG\r\n\x1A\n", 8);
const QString kJpegType = QStringLiteral("image/jpeg");
const QString kPngType = QStringLiteral("image/png");
// The IHDR chunk follows the signature: width, height, bit depth, colour type.
constexpr qsizetype kPngWidthAt = 16;
constexpr qsizetype kPngDepthAt = 24;
constexpr qsizetype kPngColourTypeAt = 25;
// More than any format's frame or box around a picture: headers, MIME type,
// picture type and sizes.
constexpr int kPictureFrameBytes = 256;

// Samples a pixel holds for each PNG colour type (0 grey, 2 RGB, 3 palette,
// 4 grey and alpha, 6 RGBA).
int pngSamples(int colourType)
{
    switch (colourType) {
    case 2:
        return 3;
    case 4:
        return 2;
    case 6:
        return 4;
    default:
        return 1;
    }
}

QString refusal(const QString &fileName, const QString &cause)
{
    return QStringLiteral("Cannot use \"%1\" as the cover picture: %2").arg(fileName, cause);
}

QString tooLarge()
{
    return QStringLiteral("it is larger than %1 MiB").arg(CoverPicture::kMaxMebibytes);
}

}  // namespace

std::optional<CoverPicture> CoverPicture::fromBytes(const QByteArray &data)
{
    if (data.size() > kMaxBytes)
        return std::nullopt;
    CoverPicture picture;
    picture.data = data;
    if (data.startsWith(kJpegMagic)) {
        picture.mimeType = kJpegType;
    } else if (data.startsWith(kPngMagic) && data.size() > kPngColourTypeAt) {
        picture.mimeType = kPngType;
        picture.width = int(qFromBigEndian<quint32>(data.constData() + kPngWidthAt));
        picture.height = int(qFromBigEndian<quint32>(data.constData() + kPngWidthAt + 4));
        picture.colorDepth = quint8(data[kPngDepthAt]) * pngSamples(quint8(data[kPngColourTypeAt]));
    } else {
        return std::nullopt;
    }
    return picture;
}

CoverPicture CoverPicture::fromFile(const QString &fileName)
{
    // A device or a pipe may never end, nor even open: never read.
    const QFileInfo info(fileName);
    if (info.exists() && !info.isFile())
        throw AudioError(refusal(fileName, QStringLiteral("it is not a regular file")));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AudioError(refusal(fileName, file.errorString()));
    // The size first: a huge file is not read at all; one more byte than
    // allowed tells a file that grew meanwhile.
    if (file.size() > kMaxBytes)
        throw AudioError(refusal(fileName, tooLarge()));
    const QByteArray data = file.read(kMaxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw AudioError(refusal(fileName, file.errorString()));
    if (data.size() > kMaxBytes)
        throw AudioError(refusal(fileName, tooLarge()));
    std::optional<CoverPicture> picture = fromBytes(data);
    if (!picture)
        throw AudioError(refusal(fileName, QStringLiteral("it is not a JPEG or PNG picture")));
    return *picture;
}

int CoverPicture::tagRoom() const
{
    return int(data.size()) + kPictureFrameBytes;
}

bool CoverPicture::fitsFlacBlock() const
{
    // Type, MIME type length, description length, width, height, depth,
    // colours and data length: eight 32-bit numbers, then the two texts.
    constexpr qint64 kFixedBytes = qint64{8} * 4;
    constexpr qint64 kMostBlockBytes = 0xFFFFFF;
    return kFixedBytes + mimeType.toLatin1().size() + data.size() <= kMostBlockBytes;
}

bool CoverPicture::isPng() const
{
    return mimeType == kPngType;
}
