#pragma once

class QAction;
class QMenu;

// One action per command, shown in the menu bar and, for the list commands,
// in the list's context menu too: enabling it once enables it everywhere.
struct MenuActions {
    QMenu *fileMenu = nullptr;
    QMenu *actionMenu = nullptr;
    QMenu *helpMenu = nullptr;

    QAction *addFile = nullptr;
    QAction *addPath = nullptr;
    QAction *removeFile = nullptr;
    QAction *clear = nullptr;
    QAction *sortByName = nullptr;
    QAction *join = nullptr;
    QAction *stop = nullptr;
    QAction *play = nullptr;
    QAction *pause = nullptr;
    QAction *stopPlaying = nullptr;
    QAction *options = nullptr;
    QAction *id3Tag = nullptr;
    QAction *exit = nullptr;
    QAction *content = nullptr;
    QAction *webSite = nullptr;
    QAction *about = nullptr;
};
