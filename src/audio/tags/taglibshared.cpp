#include "audio/tags/taglibshared.h"

TagLib::String toTagLib(const QString &text)
{
    return TagLib::String(text.toUtf8().constData(), TagLib::String::UTF8);
}
