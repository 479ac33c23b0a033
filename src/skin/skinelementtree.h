#pragma once

#include "skin/skin.h"
#include "skin/skinelementdef.h"

#include <QPoint>

#include <memory>
#include <vector>

class QPainter;
class QWidget;
class SkinItem;

// The elements of one skinned window, in drawing order (later ones on top).
class SkinElementTree : public SkinForm {
public:
    SkinElementTree(const std::vector<SkinElementDef> &defs, QWidget *host);
    ~SkinElementTree() override;

    SkinElement *findObject(const QString &name) override;
    // The clickable elements, in drawing order.
    std::vector<const SkinItem *> clickables() const;
    // The topmost clickable element under the point, or nullptr.
    SkinItem *clickableAt(const QPoint &point) const;
    // The topmost element with a hint under the point, or nullptr.
    SkinItem *hintAt(const QPoint &point) const;
    void paint(QPainter &painter, const QRect &dirty, const SkinItem *hovered,
               const SkinItem *pressed) const;

private:
    std::vector<std::unique_ptr<SkinItem>> m_items;
};
