#include "skin/skintextfield.h"

#include <QPainter>

namespace {
constexpr qreal kPadding = 5.0;
const QColor kInnerShadow(0, 0, 0, 28);
}  // namespace

void SkinTextField::paint(QPainter &painter, SkinItemState) const
{
    drawBox(painter, definition().face, definition().border);
    const QRectF area(rect());
    painter.save();
    painter.setPen(kInnerShadow);
    painter.drawLine(QPointF(area.left() + 2, area.top() + 1.5),
                     QPointF(area.right() - 2, area.top() + 1.5));
    painter.restore();
    drawContent(painter, area.adjusted(kPadding, 0, -kPadding, 0));
}
