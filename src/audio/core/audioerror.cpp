#include "audio/core/audioerror.h"

#include <QString>

AudioError::AudioError(const QString &text) : std::runtime_error(text.toStdString()) {}

AudioError::AudioError(const std::string &text) : std::runtime_error(text) {}

AudioError AudioError::writing(const QString &what, const QString &fileName, const QString &cause)
{
    return AudioError(QStringLiteral("Cannot write %1 to \"%2\": %3").arg(what, fileName, cause));
}

AudioError AudioError::encoding(const QString &fileName, const char *call, const QString &cause)
{
    return AudioError(QStringLiteral("%1: could not encode the audio (%2 failed: %3)")
                          .arg(fileName, QString::fromLatin1(call), cause));
}

AudioError AudioError::writingAudio(const QString &fileName, const char *call, const QString &cause)
{
    return AudioError(QStringLiteral("%1: could not write the file (%2 failed: %3)")
                          .arg(fileName, QString::fromLatin1(call), cause));
}
