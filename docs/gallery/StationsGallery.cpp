// Screenshots of the window measuring several stations of one capture:
// stations_gallery OUTDIR SETUP.tvk SECONDS iq:FILE MHZ,MHZ,... WxH...
// Measures every station for SECONDS with the setup's alarms ticked, shows the second station's
// signal quality page and grabs the window at each size: stations-WxH.png.
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include <QTest>

#include "document/TAVIKSDIDoc.h"
#include "ui/ItemPages.h"
#include "ui/MainFrame.h"
#include "ui/StationsView.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"
#include "ui/TavikApplication.h"

namespace tavik {
namespace {

void Shoot(CMainFrame& frame, const QString& folder, const char* name, int width, int height) {
    frame.resize(width, height);
    QTest::qWait(1500);  // the pages redraw on their own timers
    const QString path = QStringLiteral("%1/%2-%3x%4.png")
                             .arg(folder, QString::fromLatin1(name))
                             .arg(width)
                             .arg(height);
    if (!frame.grab().save(path)) {
        std::fprintf(stderr, "stations_gallery: could not write %s\n", qPrintable(path));
    }
}

int Run(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: stations_gallery OUTDIR SETUP.tvk SECONDS iq:FILE MHZ,... WxH...\n");
        return 2;
    }
    SStartOptions options;
    const auto file = CIqFileSource::FileOfReceiver(argv[4]);
    if (!file) {
        std::fprintf(stderr, "stations_gallery: %s is no iq:FILE\n", argv[4]);
        return 2;
    }
    options.iqSource = CIqSourceSettings{*file, {}, {}, {}, {}};
    std::stringstream list(argv[5]);
    for (std::string part; std::getline(list, part, ',');) {
        options.stations.push_back(std::stod(part));
    }
    std::vector<std::pair<int, int>> sizes;
    for (int i = 6; i < argc; ++i) {
        int width = 0;
        int height = 0;
        if (std::sscanf(argv[i], "%dx%d", &width, &height) != 2) {
            std::fprintf(stderr, "stations_gallery: %s is no size\n", argv[i]);
            return 2;
        }
        sizes.emplace_back(width, height);
    }
    CTavikApplication application(argc, argv);
    CRecordingPrompt prompt;  // no box may wait for an answer here
    CTAVIKSDIApp app(&prompt);
    options.strDocument = argv[2];
    options.bEnableAlarms = true;
    options.bStart = true;
    if (!app.InitInstance(options)) {
        return 1;
    }
    CMainFrame& frame = app.GetMainFrame();
    QTest::qWait(std::stoi(argv[3]) * 1000);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    CStationsView& stations = *frame.GetStations();
    stations.Show(1);
    frame.GetDocument().UpdateAllViews(nullptr, HINT_SHOW_PAGE + static_cast<long>(ITEM_DATA));
    frame.GetDocument().UpdateAllViews(nullptr, HINT_SHOW_MEASUREMENT_VIEW + 1);
    for (const auto& [width, height] : sizes) {
        Shoot(frame, folder, "stations", width, height);
    }
    return 0;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    return tavik::Run(argc, argv);
}
