#include "skin/skinpanel.h"

#include <QPainter>

void SkinPanel::paint(QPainter &painter, SkinItemState) const
{
    if (definition().radius == 0 && definition().border.alpha() == 0) {
        // Square panels and one-pixel rules are filled exactly, without anti-aliased edges.
        painter.fillRect(rect(), definition().face.brush(QRectF(rect())));
        return;
    }
    drawBox(painter, definition().face, definition().border);
    if (!text().isEmpty())
        drawContent(painter, QRectF(rect()));
}
