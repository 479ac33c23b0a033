#include "skin/skinfill.h"

#include <QLinearGradient>

QBrush SkinFill::brush(const QRectF &area) const
{
    if (top == bottom)
        return QBrush(top);
    QLinearGradient gradient(area.topLeft(), area.bottomLeft());
    gradient.setColorAt(0.0, top);
    gradient.setColorAt(1.0, bottom);
    return QBrush(gradient);
}
