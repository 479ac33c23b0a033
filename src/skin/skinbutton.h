#pragma once

#include "skin/skinitem.h"

// A clickable element with hover and pressed looks.
class SkinButton : public SkinItem {
public:
    using SkinItem::SkinItem;

    bool isClickable() const override;
    void paint(QPainter &painter, SkinItemState state) const override;
};
