#include "skin/skinelementtree.h"

#include "skin/skinbutton.h"
#include "skin/skinlabel.h"
#include "skin/skinpanel.h"
#include "skin/skintextfield.h"

#include <QPainter>

#include <ranges>

namespace {

std::unique_ptr<SkinItem> makeItem(const SkinElementDef &def, QWidget *host)
{
    switch (def.kind) {
    case SkinElementKind::Button:
        return std::make_unique<SkinButton>(def, host);
    case SkinElementKind::Text:
        return std::make_unique<SkinTextField>(def, host);
    case SkinElementKind::Panel:
        return std::make_unique<SkinPanel>(def, host);
    case SkinElementKind::Label:
        break;
    }
    return std::make_unique<SkinLabel>(def, host);
}

}  // namespace

SkinElementTree::SkinElementTree(const std::vector<SkinElementDef> &defs, QWidget *host)
{
    m_items.reserve(defs.size());
    for (const SkinElementDef &def : defs)
        m_items.push_back(makeItem(def, host));
}

SkinElementTree::~SkinElementTree() = default;

SkinElement *SkinElementTree::findObject(const QString &name)
{
    for (const auto &item : m_items) {
        if (item->name() == name)
            return item.get();
    }
    return nullptr;
}

std::vector<const SkinItem *> SkinElementTree::clickables() const
{
    std::vector<const SkinItem *> found;
    for (const auto &item : m_items) {
        if (item->isClickable())
            found.push_back(item.get());
    }
    return found;
}

SkinItem *SkinElementTree::clickableAt(const QPoint &point) const
{
    for (const auto &item : std::views::reverse(m_items)) {
        if (item->isClickable() && item->rect().contains(point))
            return item.get();
    }
    return nullptr;
}

SkinItem *SkinElementTree::hintAt(const QPoint &point) const
{
    for (const auto &item : std::views::reverse(m_items)) {
        if (!item->hint().isEmpty() && item->rect().contains(point))
            return item.get();
    }
    return nullptr;
}

void SkinElementTree::paint(QPainter &painter, const QRect &dirty, const SkinItem *hovered,
                            const SkinItem *pressed) const
{
    for (const auto &item : m_items) {
        if (!item->rect().intersects(dirty))
            continue;
        SkinItemState state = SkinItemState::Normal;
        if (item.get() == pressed)
            state = hovered == pressed ? SkinItemState::Pressed : SkinItemState::Hovered;
        else if (item.get() == hovered && !pressed)
            state = SkinItemState::Hovered;
        item->paint(painter, state);
    }
}
