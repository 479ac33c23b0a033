#include "cli/booklines.h"

#include <QRegularExpression>

namespace {
const QString kJoining = QStringLiteral("joining");
const QString kMeasuring = QStringLiteral("measuring");
}  // namespace

namespace BookLines {

QString line(const Progress &progress)
{
    return QStringLiteral("%1 %2%")
        .arg(progress.measuring ? kMeasuring : kJoining)
        .arg(progress.percent);
}

std::optional<Progress> read(const QString &line)
{
    static const QRegularExpression kLine(
        QStringLiteral("^(%1|%2) (\\d{1,3})%$").arg(kJoining, kMeasuring));
    const QRegularExpressionMatch match = kLine.match(line);
    if (!match.hasMatch())
        return std::nullopt;
    return Progress{match.captured(1) == kMeasuring, match.captured(2).toInt()};
}

}  // namespace BookLines
