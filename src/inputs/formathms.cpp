#include "inputs/formathms.h"

QString formatHms(qint64 seconds)
{
    const qint64 hours = seconds / 3600;
    const qint64 minutes = (seconds - hours * 3600) / 60;
    const qint64 rest = seconds % 60;
    const auto field = [](qint64 value) {
        return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
    };
    return field(hours) + QLatin1Char(':') + field(minutes) + QLatin1Char(':') + field(rest);
}
