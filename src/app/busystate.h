#pragma once

#include "app/menuitems.h"

#include <initializer_list>

class QAction;

// The four busy flags that every command's guard reads, and the menu enabling
// that goes with each change of state. Each event sets exactly the items it
// names, so an item keeps the state of the last event that named it.
class BusyState {
public:
    explicit BusyState(const MenuItems &items);

    bool Joining = false;
    bool Playing = false;
    bool Paused = false;
    bool Adding = false;

    // True from the moment a join run starts until it has really finished. A
    // stopped run still closes its files and stamps its output after Joining is
    // cleared; until then nothing may touch the list or the file components.
    bool joinRunActive = false;
    // What the guards ask: a join is running or has not finished stopping.
    bool joinBusy() const { return Joining || joinRunActive; }

    // An admission may start while another one pumps messages; only the
    // outermost one sets and clears Adding and the admission items.
    void beginAdmission();
    void endAdmission();

    // Events of the enabling table.
    void firstShow();
    void admissionStarts();
    void admissionEnds();
    void joinStarts();
    void joinEnds();
    void playbackStarts();
    void pause();
    void resume();
    void playbackStops();

private:
    static void setEnabled(std::initializer_list<QAction *> actions, bool enabled);
    void setAdmissionItems(bool enabled);
    void setJoinLockedItems(bool enabled);

    const MenuItems &m_items;
    int m_admissionDepth = 0;
};
