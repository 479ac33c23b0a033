#pragma once

#include "app/menuactions.h"
#include "platform/busyflags.h"

#include <initializer_list>

class QAction;

// The busy flags with the menu enabling that goes with each change of state.
// Each event sets exactly the items it names, so an item keeps the state of the
// last event that named it.
class BusyState : public BusyFlags {
public:
    explicit BusyState(const MenuActions &actions);

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

    const MenuActions &m_actions;
    int m_admissionDepth = 0;
};
