#include "skin/skinpanel.h"

#include <QPainter>

void SkinPanel::paint(QPainter &painter, SkinItemState) const
{
    if (spec().radius == 0 && spec().border.alpha() == 0) {
        // Square panels and one-pixel rules are filled exactly, without anti-aliased edges.
        painter.fillRect(rect(), spec().face.brush(QRectF(rect())));
        return;
    }
    drawBox(painter, spec().face, spec().border);
    if (!text().isEmpty())
        drawContent(painter, QRectF(rect()));
}
