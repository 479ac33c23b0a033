#include "app/mainmenus.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

namespace {

QAction *createAction(QWidget *owner, const char *name, const QString &caption)
{
    auto *action = new QAction(caption, owner);
    action->setObjectName(QString::fromLatin1(name));
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

MainMenus::MainMenus(QMenuBar *mm, QWidget *owner) : QObject(owner), m_menuBar(mm)
{
    m_menuBar->setObjectName(QStringLiteral("mm"));
    createActions(owner);
    buildMainMenu();
    buildContextMenu(owner);
}

void MainMenus::createActions(QWidget *owner)
{
    MenuActions &a = m_actions;
    a.addFile = createAction(owner, "addFile", QStringLiteral("&Add File"));
    a.addFile->setShortcut(QKeySequence::Open);
    // The context menu shows the caption alone, as it always has.
    a.addFile->setShortcutVisibleInContextMenu(false);
    a.addPath = createAction(owner, "addPath", QStringLiteral("Add Pat&h"));
    a.removeFile = createAction(owner, "removeFile", QStringLiteral("&Remove File"));
    a.clear = createAction(owner, "clear", QStringLiteral("&Clear"));
    a.sortByName = createAction(owner, "sortByName", QStringLiteral("Sort by &Name"));
    a.join = createAction(owner, "join", QStringLiteral("&Join"));
    a.stop = createAction(owner, "stop", QStringLiteral("&Stop"));
    a.play = createAction(owner, "play", QStringLiteral("&Play"));
    a.pause = createAction(owner, "pause", QStringLiteral("Pa&use"));
    a.stopPlaying = createAction(owner, "stopPlaying", QStringLiteral("S&top Playing"));
    a.options = createAction(owner, "options", QStringLiteral("&Options"));
    a.id3Tag = createAction(owner, "id3Tag", QStringLiteral("&ID3 Tag"));
    a.exit = createAction(owner, "exit", QStringLiteral("E&xit"));
    a.content = createAction(owner, "content", QStringLiteral("&Content"));
    a.webSite = createAction(owner, "webSite", QStringLiteral("&Web Site"));
    a.about = createAction(owner, "about", QStringLiteral("&About"));
}

void MainMenus::buildMainMenu()
{
    MenuActions &a = m_actions;
    a.fileMenu = addSubMenu(m_menuBar, "File1", QStringLiteral("&File"));
    a.fileMenu->addActions({a.addFile, a.addPath, a.removeFile, a.clear});
    addSeparator(a.fileMenu, "N1");
    a.fileMenu->addAction(a.exit);

    a.actionMenu = addSubMenu(m_menuBar, "Action1", QStringLiteral("&Action"));
    a.actionMenu->addActions({a.join, a.stop});
    addSeparator(a.actionMenu, "N4");
    a.actionMenu->addActions({a.play, a.pause, a.stopPlaying});
    addSeparator(a.actionMenu, "N7");
    a.actionMenu->addAction(a.sortByName);

    // Two top-level items that are commands themselves.
    m_menuBar->addActions({a.options, a.id3Tag});

    a.helpMenu = addSubMenu(m_menuBar, "Help1", QStringLiteral("&Help"));
    a.helpMenu->addAction(a.content);
    addSeparator(a.helpMenu, "N2");
    a.helpMenu->addAction(a.webSite);
    addSeparator(a.helpMenu, "N3");
    a.helpMenu->addAction(a.about);
}

void MainMenus::buildContextMenu(QWidget *owner)
{
    const MenuActions &a = m_actions;
    m_contextMenu = new QMenu(owner);
    m_contextMenu->setObjectName(QStringLiteral("pm"));
    m_contextMenu->addActions({a.addFile, a.addPath, a.removeFile, a.clear, a.sortByName});
    addSeparator(m_contextMenu, "N6");
    m_contextMenu->addActions({a.join, a.stop});
    addSeparator(m_contextMenu, "N5");
    m_contextMenu->addActions({a.play, a.pause, a.stopPlaying});
}
