#include "skin/skin.h"

#include "skin/skinaccessiblebutton.h"
#include "skin/skindocument.h"
#include "skin/skinelementtree.h"
#include "skin/skinglyph.h"
#include "skin/skinitem.h"

#include <QHelpEvent>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace {
constexpr qreal kTitleGlyphScale = 1.25;
constexpr qreal kTitleGlyphGap = 8.0;
}  // namespace

SkinError::SkinError(const QString &text) : std::runtime_error(text.toStdString()) {}

SkinForm::~SkinForm() = default;

SkinElement::~SkinElement() = default;

Skin::Skin(QWidget *parent) : QWidget(parent)
{
    setMouseTracking(true);
}

Skin::~Skin() = default;

void Skin::loadSkin(const QString &path)
{
    // Parse first: a faulty file leaves the skin that was there untouched.
    auto document = std::make_unique<SkinDocument>(SkinDocument::load(path));
    m_hovered = nullptr;
    m_pressed = nullptr;
    m_tree = std::make_unique<SkinElementTree>(document->elements(), this);
    m_document = std::move(document);
    makeAccessibleButtons();
    update();
}

void Skin::makeAccessibleButtons()
{
    for (SkinAccessibleButton *button : m_accessibleButtons)
        delete button;
    m_accessibleButtons.clear();
    for (const SkinItem *item : m_tree->clickables()) {
        auto *button = new SkinAccessibleButton(*item, this);
        connect(button, &QAbstractButton::clicked, this,
                [this, name = item->name()] { emit click(name); });
        m_accessibleButtons.push_back(button);
    }
}

void Skin::applySkin(QWidget *window)
{
    if (!m_document)
        throw SkinError(QStringLiteral("No skin is loaded, so none can be applied."));
    if (!window)
        throw SkinError(QStringLiteral("There is no window to apply the skin to."));
    // In a main window the client area is the central widget, below the menu bar.
    QWidget *host = window;
    if (auto *mainWindow = qobject_cast<QMainWindow *>(window);
        mainWindow && mainWindow->centralWidget())
        host = mainWindow->centralWidget();
    if (m_host && m_host != host)
        m_host->removeEventFilter(this);
    m_window = window;
    m_host = host;
    setParent(host);
    setGeometry(host->rect());
    lower();
    show();
    host->installEventFilter(this);
}

void Skin::setWindowCaption(QWidget *window, const QString &text)
{
    requireSkinned(window, "set the caption of");
    m_caption = text;
    // The skin may sit in a main window's central widget; the title belongs to the window itself.
    window->setWindowTitle(text);
    window->window()->setWindowTitle(text);
    update(0, 0, width(), m_document->look().titleHeight);
}

SkinForm *Skin::getSkinForm(QWidget *window)
{
    requireSkinned(window, "give the elements of");
    return m_tree.get();
}

void Skin::requireSkinned(QWidget *window, const char *operation) const
{
    if (!m_document)
        throw SkinError(QStringLiteral("No skin is loaded; cannot %1 the window.")
                            .arg(QLatin1String(operation)));
    if (!window || window != m_window)
        throw SkinError(QStringLiteral("The skin is not applied to that window; cannot %1 it.")
                            .arg(QLatin1String(operation)));
}

void Skin::paintEvent(QPaintEvent *event)
{
    if (!m_document)
        return;
    QPainter painter(this);
    const SkinLook &look = m_document->look();
    painter.fillRect(rect(), look.background.brush(QRectF(rect())));
    paintTitleBand(painter);
    m_tree->paint(painter, event->rect(), m_hovered, m_pressed);
}

void Skin::paintTitleBand(QPainter &painter) const
{
    const SkinLook &look = m_document->look();
    if (look.titleHeight <= 0)
        return;
    const QRectF band(0, 0, width(), look.titleHeight);
    painter.fillRect(band, look.titleFill.brush(band));
    painter.fillRect(QRectF(0, band.bottom() - 1, width(), 1), look.titleLine);

    qreal left = look.titleIndent;
    if (!look.titleGlyph.isEmpty()) {
        const qreal side = std::round(look.titleTextSize * kTitleGlyphScale);
        SkinGlyph::draw(painter, look.titleGlyph,
                        QRectF(left, band.center().y() - side / 2, side, side), look.titleColor);
        left += side + kTitleGlyphGap;
    }
    QFont titleFont = font();
    titleFont.setPixelSize(look.titleTextSize);
    titleFont.setBold(look.titleBold);
    painter.setFont(titleFont);
    painter.setPen(look.titleColor);
    const QString caption = m_caption.isNull() ? look.titleText : m_caption;
    painter.drawText(QRectF(left, 0, width() - left, band.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, caption);
}

void Skin::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tree)
        setHovered(m_tree->clickableAt(event->position().toPoint()));
    QWidget::mouseMoveEvent(event);
}

void Skin::mousePressEvent(QMouseEvent *event)
{
    if (!m_tree || event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    setHovered(m_tree->clickableAt(event->position().toPoint()));
    m_pressed = m_hovered;
    repaintItem(m_pressed);
}

void Skin::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_tree || event->button() != Qt::LeftButton || !m_pressed)
        return QWidget::mouseReleaseEvent(event);
    SkinItem *pressed = m_pressed;
    m_pressed = nullptr;
    setHovered(m_tree->clickableAt(event->position().toPoint()));
    repaintItem(pressed);
    // A press dragged off the element and released elsewhere is no click.
    if (pressed == m_hovered)
        emit click(pressed->name());
}

void Skin::leaveEvent(QEvent *event)
{
    setHovered(nullptr);
    QWidget::leaveEvent(event);
}

bool Skin::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && m_tree) {
        auto *help = static_cast<QHelpEvent *>(event);
        if (const SkinItem *item = m_tree->hintAt(help->pos()))
            QToolTip::showText(help->globalPos(), item->hint(), this, item->rect());
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

bool Skin::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_host && event->type() == QEvent::Resize)
        setGeometry(m_host->rect());
    return QWidget::eventFilter(watched, event);
}

void Skin::setHovered(SkinItem *item)
{
    if (item == m_hovered)
        return;
    repaintItem(m_hovered);
    m_hovered = item;
    repaintItem(m_hovered);
}

void Skin::repaintItem(const SkinItem *item)
{
    if (item)
        update(item->rect());
}
