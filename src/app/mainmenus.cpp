#include "app/mainmenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction *addItem(QWidget *menu, const char *name, const QString &caption)
{
    auto *action = new QAction(caption, menu);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    return action;
}

void addSeparator(QMenu *menu, const char *name)
{
    QAction *separator = menu->addSeparator();
    separator->setObjectName(QString::fromLatin1(name));
}

QMenu *addSubMenu(QMenuBar *bar, const char *name, const QString &caption)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

}  // namespace

MainMenus::MainMenus(QMenuBar *mm, QWidget *owner) : QObject(owner), m_mm(mm)
{
    m_mm->setObjectName(QStringLiteral("mm"));
    buildMainMenu(owner);
    buildContextMenu(owner);
}

void MainMenus::buildMainMenu(QWidget *)
{
    MenuItems &i = m_items;
    i.File1 = addSubMenu(m_mm, "File1", QStringLiteral("&File"));
    i.AddFile1 = addItem(i.File1, "AddFile1", QStringLiteral("&Add File"));
    // On the main menu's item only: a key shared by two actions triggers neither.
    i.AddFile1->setShortcut(QKeySequence::Open);
    i.AddPath1 = addItem(i.File1, "AddPath1", QStringLiteral("Add Pat&h"));
    i.Remove1 = addItem(i.File1, "Remove1", QStringLiteral("&Remove File"));
    i.Clear1 = addItem(i.File1, "Clear1", QStringLiteral("&Clear"));
    addSeparator(i.File1, "N1");
    i.Exit1 = addItem(i.File1, "Exit1", QStringLiteral("E&xit"));

    i.Action1 = addSubMenu(m_mm, "Action1", QStringLiteral("&Action"));
    i.Join1 = addItem(i.Action1, "Join1", QStringLiteral("&Join"));
    i.Stop1 = addItem(i.Action1, "Stop1", QStringLiteral("&Stop"));
    addSeparator(i.Action1, "N4");
    i.Play1 = addItem(i.Action1, "Play1", QStringLiteral("&Play"));
    i.Pause1 = addItem(i.Action1, "Pause1", QStringLiteral("Pa&use"));
    i.Stopplay1 = addItem(i.Action1, "Stopplay1", QStringLiteral("S&top Playing"));
    addSeparator(i.Action1, "N7");
    i.SortByName1 = addItem(i.Action1, "SortByName1", QStringLiteral("Sort by &Name"));

    // Two top-level items that are commands themselves.
    i.Option1 = addItem(m_mm, "Option1", QStringLiteral("&Options"));
    i.ID3Tag1 = addItem(m_mm, "ID3Tag1", QStringLiteral("&ID3 Tag"));

    i.Help1 = addSubMenu(m_mm, "Help1", QStringLiteral("&Help"));
    i.Content1 = addItem(i.Help1, "Content1", QStringLiteral("&Content"));
    addSeparator(i.Help1, "N2");
    i.WebSite1 = addItem(i.Help1, "WebSite1", QStringLiteral("&Web Site"));
    addSeparator(i.Help1, "N3");
    i.About1 = addItem(i.Help1, "About1", QStringLiteral("&About"));
}

void MainMenus::buildContextMenu(QWidget *owner)
{
    MenuItems &i = m_items;
    m_pm = new QMenu(owner);
    m_pm->setObjectName(QStringLiteral("pm"));
    i.AddFile2 = addItem(m_pm, "AddFile2", QStringLiteral("&Add File"));
    i.AddPath2 = addItem(m_pm, "AddPath2", QStringLiteral("Add Pat&h"));
    i.Remove2 = addItem(m_pm, "Remove2", QStringLiteral("&Remove File"));
    i.Clear2 = addItem(m_pm, "Clear2", QStringLiteral("&Clear"));
    i.SortByName2 = addItem(m_pm, "SortByName2", QStringLiteral("Sort by &Name"));
    addSeparator(m_pm, "N6");
    i.Join2 = addItem(m_pm, "Join2", QStringLiteral("&Join"));
    i.Stop2 = addItem(m_pm, "Stop2", QStringLiteral("&Stop"));
    addSeparator(m_pm, "N5");
    i.Play2 = addItem(m_pm, "Play2", QStringLiteral("&Play"));
    i.Pause2 = addItem(m_pm, "Pause2", QStringLiteral("Pa&use"));
    i.StopPlaying1 = addItem(m_pm, "StopPlaying1", QStringLiteral("S&top Playing"));
}
