#pragma once

#include "skin/skinfill.h"

#include <QColor>
#include <QRect>
#include <QString>

enum class SkinElementKind { Button, Text, Label, Panel };

// One element as the skin file describes it: where it sits, what it says and
// how it is coloured in each state.
struct SkinElementDef {
    QString name;
    SkinElementKind kind = SkinElementKind::Label;
    QRect rect;
    QString text;
    QString glyph;
    QString hint;
    SkinFill face{QColor(255, 255, 255), QColor(228, 236, 247)};
    SkinFill hoverFace{QColor(255, 255, 255), QColor(238, 244, 253)};
    SkinFill pressedFace{QColor(207, 220, 240), QColor(230, 238, 249)};
    QColor border{143, 169, 207};
    QColor hoverBorder{74, 127, 196};
    QColor color{24, 54, 97};
    int textSize = 12;
    bool bold = false;
    Qt::Alignment align = Qt::AlignCenter;
    int radius = 3;
};
