#pragma once

#include "skin/skinitem.h"

// A shaded area or rule behind other elements.
class SkinPanel : public SkinItem {
public:
    using SkinItem::SkinItem;

    void paint(QPainter &painter, SkinItemState state) const override;
};
