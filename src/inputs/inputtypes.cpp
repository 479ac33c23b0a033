#include "inputs/inputtypes.h"

namespace InputTypes {

const QList<Type> &types()
{
    static const QList<Type> kTypes = {
        {"MP3 Files(*.mp3)", {QStringLiteral(".mp3")}},
        {"WAV Files(*.wav)", {QStringLiteral(".wav")}},
        {"WMA Files(*.wma)", {QStringLiteral(".wma")}},
        {"OGG Files(*.ogg *.oga)", {QStringLiteral(".ogg"), QStringLiteral(".oga")}},
        {"FLAC Files(*.flac)", {QStringLiteral(".flac")}},
        {"Opus Files(*.opus)", {QStringLiteral(".opus")}},
        {"M4A Files(*.m4a)", {QStringLiteral(".m4a")}},
        {"M4B Audiobooks(*.m4b)", {QStringLiteral(".m4b")}},
        {"AAC Files(*.aac)", {QStringLiteral(".aac")}},
        {"AIFF Files(*.aif *.aiff)", {QStringLiteral(".aif"), QStringLiteral(".aiff")}},
    };
    return kTypes;
}

QStringList extensions()
{
    QStringList all;
    for (const Type &type : types())
        all << type.extensions;
    return all;
}

bool isAccepted(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot >= 0 && extensions().contains(fileName.mid(dot).toLower());
}

QStringList openDialogFilters()
{
    QStringList patterns;
    for (const QString &extension : extensions())
        patterns << QLatin1Char('*') + extension;
    QStringList filters = {QStringLiteral("All Supported Files (%1)").arg(patterns.join(' '))};
    for (const Type &type : types())
        filters << QString::fromLatin1(type.filterLine);
    return filters;
}

}  // namespace InputTypes
