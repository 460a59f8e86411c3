#include "ui/ToolbarState.h"

#include "document/Hints.h"

namespace tavik {

SToolbarStates ToolbarStates(bool hardware, bool scanning, bool running, bool paused) {
    constexpr int E = TBSTATE_ENABLED;
    constexpr int D = TBSTATE_DISABLED;
    if (!hardware) {
        return {D, D, D, E, TBSTATE_UNCHANGED};
    }
    if (scanning) {
        return {D, D, D, D, TBSTATE_UNCHANGED};
    }
    if (running) {
        return {D, E, E, D, TBSTATE_UNCHANGED};
    }
    if (paused) {
        return {E, E, D, D, TBSTATE_UNCHANGED};
    }
    return {E, D, D, D, E};
}

bool ToolbarFlagsForHint(long hint, SToolbarFlags& flags) {
    switch (hint) {
        case HINT_HARDWARE_FOUND:
        case HINT_MEASUREMENT_STOPPED:
        case HINT_SCAN_ENDED:
            flags = {true, false, false, false};
            return true;
        case HINT_HARDWARE_ERROR:
            flags = {false, false, false, false};
            return true;
        case HINT_MEASUREMENT_STARTED:
            flags = {true, false, true, false};
            return true;
        case HINT_MEASUREMENT_PAUSED:
            flags = {true, false, false, true};
            return true;
        case HINT_SCAN_STARTED:
            flags = {true, true, false, false};
            return true;
        default:
            return false;
    }
}

}  // namespace tavik
