#include "settings/inifile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

// Any bytes come back unchanged, and a value set is the value read, before
// and after the text is written out and read again.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    IniFile file(bytes);
    if (file.content() != bytes)
        std::abort();
    const QString sections[] = {QStringLiteral("Settings"), QStringLiteral("Output")};
    const QString keys[] = {QStringLiteral("Volume"), QStringLiteral("Name")};
    const QString section = sections[size & 1];
    const QString key = keys[(size >> 1) & 1];
    file.value(sections[1 - (size & 1)], keys[0]);
    const QString value = QStringLiteral("set\nvalue");
    const QString stored = QStringLiteral("set value");
    file.setValue(section, key, value);
    if (file.value(section, key) != stored || IniFile(file.content()).value(section, key) != stored)
        std::abort();
    return 0;
}
