#pragma once

#include "skin/skinitem.h"

// A text element: a sunken read-out showing the text the program gives it.
class SkinTextField : public SkinItem {
public:
    using SkinItem::SkinItem;

    void paint(QPainter &painter, SkinItemState state) const override;
};
