#include "skin/skinbutton.h"

#include <QPainter>

#include <algorithm>

namespace {
constexpr qreal kPadding = 6.0;
const QColor kHighlight(255, 255, 255, 90);
}  // namespace

bool SkinButton::isClickable() const
{
    return true;
}

void SkinButton::paint(QPainter &painter, SkinItemState state) const
{
    const SkinElementDef &look = definition();
    const bool pressed = state == SkinItemState::Pressed;
    const SkinFill &face = pressed                           ? look.pressedFace
                           : state == SkinItemState::Hovered ? look.hoverFace
                                                             : look.face;
    const QColor &border = state == SkinItemState::Normal ? look.border : look.hoverBorder;
    drawBox(painter, face, border);

    const QRectF area(rect());
    if (!pressed) {
        // A one-pixel shine under the top edge gives the raised look.
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(kHighlight);
        const qreal inset = std::max<qreal>(look.radius, 1.5);
        painter.drawLine(QPointF(area.left() + inset, area.top() + 1.5),
                         QPointF(area.right() - inset, area.top() + 1.5));
        painter.restore();
    }
    // Pressed content sinks by a pixel, as a real button would.
    const QPointF shift = pressed ? QPointF(1, 1) : QPointF(0, 0);
    drawContent(painter, area.adjusted(kPadding, 0, -kPadding, 0).translated(shift));
}
