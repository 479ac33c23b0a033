#pragma once

#include <initializer_list>

class QAction;
struct MenuActions;

// What the program is busy with, which every command's guard asks, and the
// menu enabling that goes with it. The state changes only through the named
// transitions, each of which also sets the actions it concerns; an action keeps
// the state of the last transition that named it.
class BusyState {
public:
    explicit BusyState(const MenuActions &actions);

    bool joining() const { return m_joining; }
    bool playing() const { return m_playing; }
    bool paused() const { return m_paused; }
    bool adding() const { return m_adding; }
    // A join is running or has not finished stopping: a stopped run still
    // closes its files and stamps its output after joining() turns false, and
    // until then nothing may touch the list or the file components.
    bool joinBusy() const { return m_joining || m_joinRunActive; }
    // A join run still has to give the commands back: it is on, or it ended by
    // an error that has not been reported yet.
    bool joinUnfinished() const { return joinBusy() || m_joinRunFailed; }

    // The window is first shown: nothing runs, nothing can be stopped.
    void firstShow();

    // An admission may start while another one pumps messages; only the
    // outermost one changes the state.
    void beginAdding();
    void endAdding();

    // A join is asked for; until it ends, the guards hold.
    void beginJoin();
    // The join ends before it writes anything (a refused format, name or question).
    void cancelJoin();
    // The join writes: the commands wait, Stop is offered.
    void lockForJoin();
    // Stop, or the window closing: the run stops at its next check.
    void stopJoin();
    // The run has finished and gives the commands back.
    void endJoin();
    // The run ended by an error, which the error report handles next.
    void failJoin();
    // The error report ends whatever join was on and gives the commands back.
    void abandonJoin();

    void beginPreview();
    void pausePreview();
    void resumePreview();
    void endPreview();

private:
    static void setEnabled(std::initializer_list<QAction *> actions, bool enabled);
    void setAddingLocks(bool enabled);
    void setJoinLocks(bool enabled);
    void setPreviewLocks(bool playing);

    const MenuActions &m_actions;
    bool m_joining = false;
    bool m_playing = false;
    bool m_paused = false;
    bool m_adding = false;
    bool m_joinRunActive = false;
    bool m_joinRunFailed = false;
    int m_addingDepth = 0;
};
