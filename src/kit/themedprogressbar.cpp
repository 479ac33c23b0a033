#include "kit/themedprogressbar.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

// The "DeepBlue" theme: a light track framed in steel blue, filled with a
// glossy blue gradient.
constexpr int kMinimum = 0;
constexpr int kMaximum = 100;
constexpr qreal kCornerRadius = 3.0;
const QColor kFrameColor(112, 146, 196);
const QColor kFillTop(104, 164, 236);
const QColor kFillMiddle(46, 112, 202);
const QColor kFillBottom(26, 78, 160);
const QColor kGlossColor(255, 255, 255, 70);
const QColor kCaptionOnTrack(24, 54, 97);
const QColor kCaptionOnFill(255, 255, 255);

QPainterPath roundedPath(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

}  // namespace

ThemedProgressBar::ThemedProgressBar(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void ThemedProgressBar::setPosition(int position)
{
    const int clamped = std::clamp(position, kMinimum, kMaximum);
    if (clamped == m_position)
        return;
    m_position = clamped;
    update();
}

void ThemedProgressBar::setCaptionVisible(bool visible)
{
    if (visible == m_captionVisible)
        return;
    m_captionVisible = visible;
    update();
}

void ThemedProgressBar::setBorderColor(const QColor &color)
{
    m_borderColor = color;
    update();
}

void ThemedProgressBar::setFillColor(const QColor &color)
{
    m_fillColor = color;
    update();
}

void ThemedProgressBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The light border colour forms an outer rim; the steel-blue frame sits inside it.
    const QRectF outer = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(m_borderColor);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outer, kCornerRadius + 1, kCornerRadius + 1);

    const QRectF track = outer.adjusted(1, 1, -1, -1);
    QLinearGradient trackShade(track.topLeft(), track.bottomLeft());
    trackShade.setColorAt(0.0, m_fillColor.darker(112));
    trackShade.setColorAt(0.4, m_fillColor);
    painter.setPen(kFrameColor);
    painter.setBrush(trackShade);
    painter.drawRoundedRect(track, kCornerRadius, kCornerRadius);

    const QRectF inner = track.adjusted(1, 1, -1, -1);
    const QRectF filled(inner.left(), inner.top(), inner.width() * m_position / kMaximum,
                        inner.height());
    if (m_position > kMinimum) {
        QLinearGradient fillShade(filled.topLeft(), filled.bottomLeft());
        fillShade.setColorAt(0.0, kFillTop);
        fillShade.setColorAt(0.5, kFillMiddle);
        fillShade.setColorAt(1.0, kFillBottom);
        painter.save();
        painter.setClipPath(roundedPath(inner, kCornerRadius - 1));
        painter.fillRect(filled, fillShade);
        painter.fillRect(QRectF(filled.left(), filled.top(), filled.width(), filled.height() / 2),
                         kGlossColor);
        painter.restore();
    }

    if (!m_captionVisible)
        return;
    // The caption changes colour where it crosses the fill so it stays readable.
    QFont captionFont = font();
    captionFont.setBold(true);
    captionFont.setPixelSize(std::max(8, height() - 2));
    painter.setFont(captionFont);
    const QString caption = QStringLiteral("%1%").arg(m_position);
    painter.setPen(kCaptionOnTrack);
    painter.drawText(rect(), Qt::AlignCenter, caption);
    painter.setClipRect(filled);
    painter.setPen(kCaptionOnFill);
    painter.drawText(rect(), Qt::AlignCenter, caption);
}
