#include "audio/audioerror.h"

#include <QString>

AudioError::AudioError(const QString &text) : std::runtime_error(text.toStdString()) {}

AudioError::AudioError(const std::string &text) : std::runtime_error(text) {}

AudioError AudioError::writing(const QString &what, const QString &fileName, const QString &cause)
{
    return AudioError(QStringLiteral("Cannot write %1 to \"%2\": %3").arg(what, fileName, cause));
}
