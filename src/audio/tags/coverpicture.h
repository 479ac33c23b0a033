#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

// A front cover as the outputs store it: a JPEG or PNG picture, its bytes
// whole, its MIME type found from those bytes (never from a file name).
struct CoverPicture {
    // Larger pictures are refused: no player needs them, and each output
    // keeps room for its cover in front of the audio.
    static constexpr int kMaxMebibytes = 16;
    static constexpr qint64 kMaxBytes = qint64{kMaxMebibytes} * 1024 * 1024;

    QByteArray data;
    QString mimeType;  // "image/jpeg" or "image/png"
    // Known for PNG from its header; 0 when unknown.
    int width = 0;
    int height = 0;
    int colorDepth = 0;

    // A picture from its bytes; none when they are no JPEG or PNG, or too many.
    static std::optional<CoverPicture> fromBytes(const QByteArray &data);
    // Reads a picture file; throws AudioError naming the file when it cannot be
    // read, is no JPEG or PNG, or is larger than kMaxBytes.
    static CoverPicture fromFile(const QString &fileName);
    bool isPng() const;
    // Whether a FLAC PICTURE block holds it: its length is a 24-bit number.
    bool fitsFlacBlock() const;
    // The bytes a tag needs for it: the picture and its frame or box around it.
    int tagRoom() const;
};
