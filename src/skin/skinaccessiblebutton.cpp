#include "skin/skinaccessiblebutton.h"

#include "skin/skinitem.h"

SkinAccessibleButton::SkinAccessibleButton(const SkinItem &item, QWidget *skin)
    : QAbstractButton(skin)
{
    // A button drawn as a glyph only is read out by its element name.
    setAccessibleName(item.text().isEmpty() ? item.name() : item.text());
    setToolTip(item.hint());
    setGeometry(item.rect());
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    show();
}

void SkinAccessibleButton::paintEvent(QPaintEvent * /*event*/) {}
