#include "skin/skinlabel.h"

#include <QPainter>

void SkinLabel::paint(QPainter &painter, SkinItemState) const
{
    drawContent(painter, QRectF(rect()));
}
