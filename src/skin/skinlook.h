#pragma once

#include "skin/skinfill.h"

#include <QColor>
#include <QString>

// How the skin draws the window itself: the background and the title band
// across the top of the client area.
struct SkinLook {
    SkinFill background{QColor(243, 247, 254), QColor(221, 231, 245)};
    int titleHeight = 47;
    SkinFill titleFill{QColor(45, 99, 168), QColor(22, 61, 115)};
    QColor titleLine{14, 42, 82};
    QColor titleColor{255, 255, 255};
    QString titleText;
    int titleTextSize = 18;
    bool titleBold = true;
    QString titleGlyph;
    int titleIndent = 12;
};
