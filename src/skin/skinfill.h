#pragma once

#include <QBrush>
#include <QColor>
#include <QRectF>

// A vertical two-colour shading; both colours equal gives a flat fill.
struct SkinFill {
    QColor top;
    QColor bottom;

    QBrush brush(const QRectF &area) const;
};
