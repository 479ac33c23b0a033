#pragma once

#include "app/menuitems.h"

#include <QObject>

class QMenu;
class QMenuBar;
class QWidget;

// Builds the main menu `mm` and the context menu `pm` with every item's name,
// caption and separator. Each caption's access key (after "&") is unique
// within its menu, and an item has the same one in both menus.
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(QMenuBar *mm, QWidget *owner);

    const MenuItems &items() const { return m_items; }
    QMenuBar *mm() const { return m_mm; }
    QMenu *pm() const { return m_pm; }

private:
    void buildMainMenu(QWidget *owner);
    void buildContextMenu(QWidget *owner);

    QMenuBar *m_mm;
    QMenu *m_pm = nullptr;
    MenuItems m_items;
};
