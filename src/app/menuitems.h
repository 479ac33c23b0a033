#pragma once

class QAction;
class QMenu;

// The items of the main menu `mm` and the list's context menu `pm`, named as
// the rest of the program refers to them: 1 for the main menu, 2 for the
// context menu.
struct MenuItems {
    QMenu *File1 = nullptr;
    QAction *AddFile1 = nullptr;
    QAction *AddPath1 = nullptr;
    QAction *Remove1 = nullptr;
    QAction *Clear1 = nullptr;
    QAction *Exit1 = nullptr;

    QMenu *Action1 = nullptr;
    QAction *Join1 = nullptr;
    QAction *Stop1 = nullptr;
    QAction *Play1 = nullptr;
    QAction *Pause1 = nullptr;
    QAction *Stopplay1 = nullptr;
    QAction *SortByName1 = nullptr;

    QAction *Option1 = nullptr;
    QAction *ID3Tag1 = nullptr;

    QMenu *Help1 = nullptr;
    QAction *Content1 = nullptr;
    QAction *WebSite1 = nullptr;
    QAction *About1 = nullptr;

    QAction *AddFile2 = nullptr;
    QAction *AddPath2 = nullptr;
    QAction *Remove2 = nullptr;
    QAction *Clear2 = nullptr;
    QAction *SortByName2 = nullptr;
    QAction *Join2 = nullptr;
    QAction *Stop2 = nullptr;
    QAction *Play2 = nullptr;
    QAction *Pause2 = nullptr;
    QAction *StopPlaying1 = nullptr;
};
