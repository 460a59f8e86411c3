// A build without the user interface (TAVIK_BUILD_GUI off): the window cannot be started.
#include <iostream>

#include "app/GuiOptions.h"

namespace tavik {

int RunGuiCommand(int& /*argc*/, char** /*argv*/, const SGuiCommandLine& /*commandLine*/) {
    std::cerr << "tavik: built without the user interface; use tavik monitor\n";
    return 2;
}

}  // namespace tavik
