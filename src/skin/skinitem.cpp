#include "skin/skinitem.h"

#include "skin/skinglyph.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QWidget>

namespace {
constexpr qreal kGlyphGap = 5.0;
}

SkinItem::SkinItem(SkinElementDef def, QWidget *host)
    : m_def(std::move(def)), m_text(m_def.text), m_host(host)
{}

QString SkinItem::name() const
{
    return m_def.name;
}

void SkinItem::setText(const QString &text)
{
    if (text == m_text)
        return;
    m_text = text;
    m_host->update(m_def.rect);
}

void SkinItem::refresh()
{
    m_host->update(m_def.rect);
}

bool SkinItem::isClickable() const
{
    return false;
}

QFont SkinItem::textFont() const
{
    QFont font = m_host->font();
    font.setPixelSize(m_def.textSize);
    font.setBold(m_def.bold);
    return font;
}

void SkinItem::drawBox(QPainter &painter, const SkinFill &face, const QColor &border) const
{
    const QRectF area = QRectF(m_def.rect).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(border.alpha() == 0 ? QPen(Qt::NoPen) : QPen(border));
    painter.setBrush(face.brush(area));
    painter.drawRoundedRect(area, m_def.radius, m_def.radius);
    painter.restore();
}

void SkinItem::drawContent(QPainter &painter, const QRectF &area) const
{
    painter.save();
    painter.setFont(textFont());
    painter.setPen(m_def.color);
    if (m_def.glyph.isEmpty()) {
        painter.drawText(area, int(m_def.align), m_text);
        painter.restore();
        return;
    }
    // Glyph and text are placed as one group, so a captioned glyph button stays centred.
    const qreal side = SkinGlyph::sideFor(m_def.textSize);
    const qreal textWidth =
        m_text.isEmpty() ? 0 : QFontMetricsF(painter.font()).horizontalAdvance(m_text);
    const qreal groupWidth = side + (m_text.isEmpty() ? 0 : kGlyphGap + textWidth);
    qreal left = area.left();
    if (m_def.align & Qt::AlignHCenter)
        left = area.center().x() - groupWidth / 2;
    else if (m_def.align & Qt::AlignRight)
        left = area.right() - groupWidth;
    const QRectF glyphBox(left, area.center().y() - side / 2, side, side);
    SkinGlyph::draw(painter, m_def.glyph, glyphBox, m_def.color);
    if (!m_text.isEmpty()) {
        const QRectF textBox(glyphBox.right() + kGlyphGap, area.top(), textWidth + 1,
                             area.height());
        painter.drawText(textBox, Qt::AlignLeft | Qt::AlignVCenter, m_text);
    }
    painter.restore();
}
