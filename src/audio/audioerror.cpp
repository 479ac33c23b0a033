#include "audio/audioerror.h"

#include <QString>

AudioError::AudioError(const QString &text) : std::runtime_error(text.toStdString()) {}

AudioError::AudioError(const std::string &text) : std::runtime_error(text) {}
