#pragma once

namespace tavik {

// Toolbar button states, as numbered by the toolbar's state flags: enabled 4, hidden 8 (hidden
// buttons are not enabled either), 0 shown but not enabled; -1 leaves a button as it is.
enum : int {
    TBSTATE_UNCHANGED = -1,
    TBSTATE_DISABLED = 0,
    TBSTATE_ENABLED = 4,
    TBSTATE_HIDDEN = 8,
};

// What SetToolbarState gives each button, by the first matching case of the state table. The
// measurement buttons are never hidden, only disabled: each keeps its place, so that a double
// click on Start cannot land on Pause.
struct SToolbarStates {
    int nStart = TBSTATE_UNCHANGED;
    int nStop = TBSTATE_UNCHANGED;
    int nPause = TBSTATE_UNCHANGED;
    int nDetect = TBSTATE_UNCHANGED;
    int nFiles = TBSTATE_UNCHANGED;  // New, Open and Save

    bool operator==(const SToolbarStates&) const = default;
};

SToolbarStates ToolbarStates(bool hardware, bool scanning, bool running, bool paused);

// The state arguments that the main view's hint handler passes to SetToolbarState.
struct SToolbarFlags {
    bool bHardware = false;
    bool bScanning = false;
    bool bRunning = false;
    bool bPaused = false;
};

// The flags for a state hint (2, 3, 70 to 74); false for any other hint.
bool ToolbarFlagsForHint(long hint, SToolbarFlags& flags);

}  // namespace tavik
