#include "inputs/chaptertitle.h"

#include "audio/tags/tagreader.h"

#include <QFileInfo>
#include <QRegularExpression>

QString ChapterTitle::fromFileName(const QString &path)
{
    const QFileInfo file(path);
    // A name that is all extension (".mp3") keeps it: a chapter needs a title.
    QString base = file.completeBaseName();
    if (base.isEmpty())
        return file.fileName();
    // A track number: up to three digits, then a mark with any spaces around
    // it, or (with a leading zero) spaces alone.
    static const QRegularExpression trackNumber(
        QStringLiteral(R"(^\s*(?:\d{1,3}\s*[-._)]|0\d{0,2}\s)\s*)"));
    const QRegularExpressionMatch match = trackNumber.match(base);
    if (!match.hasMatch() || match.capturedEnd() >= base.size())
        return base;
    return base.mid(match.capturedEnd());
}

QString ChapterTitle::byRule(const QString &path, Rule rule)
{
    const QString tagged = rule == Rule::Tags ? TagReader::title(path) : QString();
    return tagged.isEmpty() ? fromFileName(path) : tagged;
}
