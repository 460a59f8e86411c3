#include "app/GuiOptions.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TavikApplication.h"

namespace tavik {

int RunGuiCommand(int& argc, char** argv, const SGuiCommandLine& commandLine) {
    CTavikApplication application(argc, argv);
    CTAVIKSDIApp app;
    if (!app.InitInstance({commandLine.strDocument, commandLine.bStart})) {
        return 1;
    }
    return QApplication::exec();
}

}  // namespace tavik
