#pragma once

#include <QColor>
#include <QRectF>
#include <QString>

class QPainter;

// The small pictures the skin can put on a button or beside the title,
// drawn as vectors so they stay sharp at any size.
class SkinGlyph {
public:
    static bool isKnown(const QString &name);
    // Draws the glyph centred in a square box of the given side.
    static void draw(QPainter &painter, const QString &name, const QRectF &box,
                     const QColor &color);
    // The side of the square a glyph takes beside text of the given pixel size.
    static qreal sideFor(int textSize);
};
