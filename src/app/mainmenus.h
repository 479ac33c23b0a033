#pragma once

#include "player/menuactions.h"

#include <QObject>

class QMenu;
class QMenuBar;
class QWidget;

// Builds the main menu `mm` and the context menu `pm` with every action's
// caption and every separator; the list commands' actions are put in both.
// Each caption's access key (after "&") is unique within its menu.
class MainMenus : public QObject {
    Q_OBJECT
public:
    MainMenus(QMenuBar *mm, QWidget *owner);

    const MenuActions &actions() const { return m_actions; }
    QMenuBar *mm() const { return m_mm; }
    QMenu *pm() const { return m_pm; }

private:
    void createActions(QWidget *owner);
    void buildMainMenu();
    void buildContextMenu(QWidget *owner);

    QMenuBar *m_mm;
    QMenu *m_pm = nullptr;
    MenuActions m_actions;
};
