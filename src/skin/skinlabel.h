#pragma once

#include "skin/skinitem.h"

// A caption drawn straight on the window.
class SkinLabel : public SkinItem {
public:
    using SkinItem::SkinItem;

    void paint(QPainter &painter, SkinItemState state) const override;
};
