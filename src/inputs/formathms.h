#pragma once

#include <QString>
#include <QtGlobal>

// Whole seconds as hours:minutes:seconds, each at least two digits; hours are
// not limited (360000 gives "100:00:00").
QString formatHms(qint64 seconds);
