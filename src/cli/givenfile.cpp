#include "cli/givenfile.h"

#include "cli/clitexts.h"

#include <QFileInfo>

QString GivenFile::open(QFile &file)
{
    const QFileInfo info(file.fileName());
    if (!info.exists())
        return CliTexts::kNoSuchFile;
    if (info.isDir())
        return CliTexts::kIsAFolder;
    if (!info.isFile())
        return CliTexts::kNotARegularFile;
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    return {};
}
