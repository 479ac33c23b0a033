#pragma once

// The four busy flags that every command's guard reads. The main window owns
// them; a subsystem is handed a reference and reads or sets the ones its work
// is about. The menu enabling that goes with each change lives with the window.
struct BusyFlags {
    bool Joining = false;
    bool Playing = false;
    bool Paused = false;
    bool Adding = false;

    // True from the moment a join run starts until it has really finished. A
    // stopped run still closes its files and stamps its output after Joining is
    // cleared; until then nothing may touch the list or the file components.
    bool joinRunActive = false;
    // Set by a run that ended by an error, so that the error report, which comes
    // next, knows to give the commands back even though Joining was cleared.
    bool joinRunFailed = false;

    // What the guards ask: a join is running or has not finished stopping.
    bool joinBusy() const { return Joining || joinRunActive; }
};
