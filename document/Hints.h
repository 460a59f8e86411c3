#pragma once

namespace tavik {

// View-update hints (the hint argument of UpdateAllViews).
enum : long {
    HINT_HARDWARE_FOUND = 2,
    HINT_HARDWARE_ERROR = 3,
    HINT_TIMER_TICK = 10,
    HINT_RUN_STARTED = 11,
    HINT_RUN_PAUSED = 12,
    HINT_MEASUREMENT_RESET = 13,
    HINT_SHOW_PAGE = 20,              // + page 0..3
    HINT_SHOW_MEASUREMENT_VIEW = 25,  // + view 0..6
    HINT_ALARM_STATE = 40,
    HINT_ALARM_LIST = 41,
    HINT_ALARM_PROMPT = 42,
    HINT_PROTOCOL_CHANGED = 50,
    HINT_FREQUENCY_CHANGED = 51,
    HINT_STATION_NAME = 52,
    HINT_MULTIPATH_RESULT = 60,
    HINT_MEASUREMENT_STARTED = 70,
    HINT_MEASUREMENT_STOPPED = 71,
    HINT_MEASUREMENT_PAUSED = 72,
    HINT_SCAN_STARTED = 73,
    HINT_SCAN_ENDED = 74,
};

// Command identifiers routed to the document.
enum : unsigned {
    ID_DETECT_HARDWARE = 32778,
    ID_MEASUREMENT_START = 32779,
    ID_SPECIFY_RESULT_FILE = 32780,
    ID_MEASUREMENT_STOP = 32784,
    ID_MEASUREMENT_PAUSE = 32785,
};

}  // namespace tavik
