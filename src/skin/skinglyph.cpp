#include "skin/skinglyph.h"

#include <QPainter>
#include <QPainterPath>
#include <QStringList>

#include <array>
#include <cmath>

namespace {

const QStringList kGlyphs{QStringLiteral("up"),    QStringLiteral("down"), QStringLiteral("play"),
                          QStringLiteral("pause"), QStringLiteral("stop"), QStringLiteral("folder"),
                          QStringLiteral("wave")};

QPainterPath triangle(QPointF a, QPointF b, QPointF c)
{
    QPainterPath path(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    return path;
}

void drawFolder(QPainter &painter, const QRectF &box, const QColor &color)
{
    const qreal s = box.width();
    const QRectF body(box.left(), box.top() + s * 0.25, s, s * 0.62);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(box.left(), box.top() + s * 0.12, s * 0.45, s * 0.25), s * 0.06,
                       s * 0.06);
    painter.fillPath(tab, color);
    QPainterPath path;
    path.addRoundedRect(body, s * 0.08, s * 0.08);
    painter.fillPath(path, color);
}

// The program's mark: bars of a sound wave, tallest in the middle.
void drawWave(QPainter &painter, const QRectF &box, const QColor &color)
{
    constexpr std::array<qreal, 7> heights{0.35, 0.6, 0.85, 1.0, 0.7, 0.5, 0.3};
    const qreal slot = box.width() / heights.size();
    const qreal barWidth = slot * 0.6;
    for (std::size_t index = 0; index < heights.size(); ++index) {
        const qreal height = box.height() * heights[index];
        const QRectF bar(box.left() + slot * index + (slot - barWidth) / 2,
                         box.center().y() - height / 2, barWidth, height);
        QPainterPath path;
        path.addRoundedRect(bar, barWidth / 2, barWidth / 2);
        painter.fillPath(path, color);
    }
}

}  // namespace

bool SkinGlyph::isKnown(const QString &name)
{
    return kGlyphs.contains(name);
}

qreal SkinGlyph::sideFor(int textSize)
{
    return std::round(textSize * 0.85);
}

void SkinGlyph::draw(QPainter &painter, const QString &name, const QRectF &area,
                     const QColor &color)
{
    const qreal side = std::min(area.width(), area.height());
    const QRectF box(area.center().x() - side / 2, area.center().y() - side / 2, side, side);
    const qreal l = box.left(), t = box.top(), r = box.right(), b = box.bottom(),
                c = box.center().x();
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (name == QLatin1String("up"))
        painter.fillPath(triangle({l, b - side * 0.2}, {r, b - side * 0.2}, {c, t + side * 0.12}),
                         color);
    else if (name == QLatin1String("down"))
        painter.fillPath(triangle({l, t + side * 0.2}, {r, t + side * 0.2}, {c, b - side * 0.12}),
                         color);
    else if (name == QLatin1String("play"))
        painter.fillPath(
            triangle({l + side * 0.12, t}, {l + side * 0.12, b}, {r, box.center().y()}), color);
    else if (name == QLatin1String("pause")) {
        painter.fillRect(QRectF(l + side * 0.1, t, side * 0.3, side), color);
        painter.fillRect(QRectF(r - side * 0.4, t, side * 0.3, side), color);
    } else if (name == QLatin1String("stop"))
        painter.fillRect(box.adjusted(side * 0.06, side * 0.06, -side * 0.06, -side * 0.06), color);
    else if (name == QLatin1String("folder"))
        drawFolder(painter, box, color);
    else if (name == QLatin1String("wave"))
        drawWave(painter, box, color);
    painter.restore();
}
