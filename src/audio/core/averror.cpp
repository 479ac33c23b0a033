#include "audio/core/averror.h"

#include "audio/core/audioerror.h"

#include <QString>

extern "C" {
#include <libavutil/error.h>
}

QString avErrorText(int errorCode)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(errorCode, text, sizeof text) < 0)
        return QStringLiteral("error %1").arg(errorCode);
    return QString::fromUtf8(text);
}

int avCheck(int errorCode, const char *call, const QString &fileName)
{
    if (errorCode >= 0)
        return errorCode;
    throw AudioError(QStringLiteral("%1: %2 failed: %3")
                         .arg(fileName, QString::fromLatin1(call), avErrorText(errorCode)));
}

int avCheckEncoding(int errorCode, const char *call, const QString &fileName)
{
    if (errorCode < 0)
        throw AudioError::encoding(fileName, call, avErrorText(errorCode));
    return errorCode;
}

int avCheckWriting(int errorCode, const char *call, const QString &fileName)
{
    if (errorCode < 0)
        throw AudioError::writingAudio(fileName, call, avErrorText(errorCode));
    return errorCode;
}

void throwOutOfMemory(const char *call, const QString &fileName)
{
    throw AudioError(
        QStringLiteral("%1: %2 failed: out of memory").arg(fileName, QString::fromLatin1(call)));
}
