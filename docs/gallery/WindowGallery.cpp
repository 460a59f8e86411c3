// Screenshots of the application window: window_gallery OUTDIR SETUP.tvk SECONDS WxH...
// [iq:FILE]. Run in the folder of the recordings; with iq:FILE the measurement receives that
// IQ capture through the software receiver instead. Scans the band on the parameter page, then
// measures with every alarm of the setup ticked for SECONDS and grabs each page at each size:
//   NAME-WxH.png for main-window, parameter-panorama, protocol-settings, alarm-settings and
//   page-signal-scope ... page-stereo-audio (the seven measurement views).
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include <QPushButton>
#include <QTest>

#include "document/TAVIKSDIDoc.h"
#include "ui/ItemPages.h"
#include "ui/MainFrame.h"
#include "ui/SettingsView.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"
#include "ui/TavikApplication.h"

namespace tavik {
namespace {

struct SSize {
    int nWidth = 0;
    int nHeight = 0;
};

class CGallery {
public:
    CGallery(CTAVIKSDIApp& app, QString folder) : m_app(app), m_folder(std::move(folder)) {}

    void Shoot(const char* name, const SSize& size) {
        CMainFrame& frame = m_app.GetMainFrame();
        frame.resize(size.nWidth, size.nHeight);
        QTest::qWait(1500);  // the pages redraw on their own timers
        const QString path = QStringLiteral("%1/%2-%3x%4.png")
                                 .arg(m_folder, QString::fromLatin1(name))
                                 .arg(size.nWidth)
                                 .arg(size.nHeight);
        if (!frame.grab().save(path)) {
            std::fprintf(stderr, "window_gallery: could not write %s\n", qPrintable(path));
        }
    }
    void ShowPage(int page) { m_app.GetDocument().UpdateAllViews(nullptr, HINT_SHOW_PAGE + page); }
    void ShowView(int view) {
        ShowPage(ITEM_DATA);
        m_app.GetDocument().UpdateAllViews(nullptr, HINT_SHOW_MEASUREMENT_VIEW + view);
    }

private:
    CTAVIKSDIApp& m_app;
    QString m_folder;
};

int Run(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: window_gallery OUTDIR SETUP.tvk SECONDS WxH... [iq:FILE]\n");
        return 2;
    }
    std::vector<SSize> sizes;
    SStartOptions options;
    for (int i = 4; i < argc; ++i) {
        if (const auto file = CIqFileSource::FileOfReceiver(argv[i])) {
            options.iqSource = CIqSourceSettings{*file, {}, {}, {}, {}};
            continue;
        }
        SSize size;
        if (std::sscanf(argv[i], "%dx%d", &size.nWidth, &size.nHeight) != 2) {
            std::fprintf(stderr, "window_gallery: %s is no size\n", argv[i]);
            return 2;
        }
        sizes.push_back(size);
    }
    CTavikApplication application(argc, argv);
    CRecordingPrompt prompt;  // no box may wait for an answer here
    CTAVIKSDIApp app(&prompt);
    options.strDocument = argv[2];
    options.bEnableAlarms = true;
    if (!app.InitInstance(options)) {
        return 1;
    }
    QTest::qWait(500);  // the receiver is detected once the window is up
    CGallery gallery(app, QString::fromLocal8Bit(argv[1]));
    CTAVIKSDIDoc& doc = app.GetDocument();
    for (const SSize& size : sizes) {
        gallery.ShowPage(ITEM_PROTOCOL);
        gallery.Shoot("main-window", size);
    }
    gallery.ShowPage(ITEM_SETTINGS);
    auto* settings =
        static_cast<CSettingsView*>(app.GetMainFrame().GetMainView().GetItemView(ITEM_SETTINGS));
    settings->findChild<QPushButton*>(QStringLiteral("Scan"))->click();
    if (!QTest::qWaitFor([&] { return !settings->IsScanning(); }, 60000)) {
        std::fprintf(stderr, "window_gallery: the scan did not end\n");
    }
    for (const SSize& size : sizes) {
        gallery.Shoot("parameter-panorama", size);
    }

    doc.OnMeasurementStart();
    QTest::qWait(std::stoi(argv[3]) * 1000);
    // In the order of Alt+1 .. Alt+7.
    const char* const views[] = {"page-signal-scope", "page-signal-quality", "page-deviation",
                                 "page-mpx-power",    "page-spectrum",       "page-rds",
                                 "page-stereo-audio"};
    for (const SSize& size : sizes) {
        for (int view = 0; view < static_cast<int>(std::size(views)); ++view) {
            gallery.ShowView(view);
            gallery.Shoot(views[view], size);
        }
        gallery.ShowPage(ITEM_ALARM);
        gallery.Shoot("alarm-settings", size);
        gallery.ShowPage(ITEM_PROTOCOL);
        gallery.Shoot("protocol-settings", size);
    }
    doc.OnMeasurementStop();
    return 0;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    return tavik::Run(argc, argv);
}
