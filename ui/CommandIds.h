#pragma once

namespace tavik {

// Command identifiers of the menu, toolbar and accelerators, with the framework's standard
// values; the measurement commands routed to the document are in document/Hints.h.
enum : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,  // .. 57619 for the four recent files
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57668,  // Help > User Guide (F1)
    ID_CONTEXT_HELP = 57669,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_PROTOCOL = 32773,           // F2
    ID_VIEW_PARAMETER = 32774,          // F3
    ID_VIEW_MEASUREMENT = 32775,        // F4
    ID_VIEW_ALARMS = 32777,             // F5
    ID_VIEW_MEASUREMENT_FIRST = 32787,  // Alt+1 .. Alt+7: 32787 .. 32793
    ID_EXPORT_REPORT = 32900,           // File > Export Report...: the daily report PDF
    ID_OPEN_RECORDINGS = 32901,         // File > Open Recordings Folder...
    ID_CHOOSE_RECEIVER = 32902,         // File > Receiver...
    ID_LISTEN = 32903,                  // Listen: the measured programme to the audio output
    ID_STATION_PREVIOUS = 32904,        // Ctrl+PgUp: with several stations, the one above
    ID_STATION_NEXT = 32905,            // Ctrl+PgDown: the one below
};

// Alt+1 .. Alt+7 choose a measurement view (Alt+7 the stereo and audio page).
inline constexpr int kMeasurementViewKeys = 7;

}  // namespace tavik
