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
    QMenuBar *menuBar() const { return m_menuBar; }
    QMenu *contextMenu() const { return m_contextMenu; }

private:
    void createActions(QWidget *owner);
    void buildMainMenu();
    void buildContextMenu(QWidget *owner);

    QMenuBar *m_menuBar;
    QMenu *m_contextMenu = nullptr;
    MenuActions m_actions;
};
