// How soon a window started to measure shows values: starts as `tavik --start` does in the
// working directory (run it in the folder of the recordings, under a display, e.g. Xvfb), and
// prints the milliseconds from the window's first paint to the first paint of each value field
// of the signal-quality page, the page a first start opens on. Exits after the last one, or
// after 20 s.
//
//     cd demo && XDG_CONFIG_HOME=$(mktemp -d) first_value_time

#include <array>
#include <chrono>
#include <cstdio>

#include <QApplication>
#include <QLabel>
#include <QTimer>

#include "document/TAVIKSDIDoc.h"
#include "ui/DataView.h"
#include "ui/MainFrame.h"
#include "ui/QualityView.h"
#include "ui/TAVIKSDIApp.h"
#include "ui/TAVIKSDIView.h"
#include "ui/TavikApplication.h"

namespace tavik {
namespace {

using Clock = std::chrono::steady_clock;

// Notes the first paint of the window and of each field once it holds a value.
class CPaintWatch final : public QObject {
public:
    struct SField {
        const char* strName;
        const QLabel* pLabel;
        double fMs = -1.0;
    };

    CPaintWatch(const QWidget& window, std::array<SField, 3> fields)
        : m_window(window), m_fields(fields) {}

    bool Done() const {
        for (const SField& field : m_fields) {
            if (field.fMs < 0.0) {
                return false;
            }
        }
        return true;
    }
    void Print() const {
        for (const SField& field : m_fields) {
            std::printf("%-15s %8.0f ms  %s\n", field.strName, field.fMs,
                        qPrintable(field.pLabel->text()));
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::Paint) {
            return false;
        }
        const Clock::time_point now = Clock::now();
        if (watched == &m_window && !m_bShown) {
            m_bShown = true;
            m_shown = now;
        }
        for (SField& field : m_fields) {
            const QString text = field.pLabel->text();
            const bool value =
                !text.isEmpty() && text != QStringLiteral("n/a") && text != QStringLiteral("-");
            if (m_bShown && watched == field.pLabel && value && field.fMs < 0.0) {
                field.fMs = std::chrono::duration<double, std::milli>(now - m_shown).count();
            }
        }
        return false;
    }

private:
    const QWidget& m_window;
    std::array<SField, 3> m_fields;
    bool m_bShown = false;
    Clock::time_point m_shown;
};

int Run(int argc, char** argv) {
    CTavikApplication application(argc, argv);
    CTAVIKSDIApp app;
    SStartOptions options;
    options.bStart = true;
    if (!app.InitInstance(options)) {
        return 1;
    }
    CMainFrame& frame = app.GetMainFrame();
    const auto* data = static_cast<CDataView*>(frame.GetMainView().GetItemView(ITEM_DATA));
    const auto* quality = static_cast<CQualityView*>(data->GetMeasurementView(PAGE_QUALITY));
    CPaintWatch watch(frame.GetMainView(), {{{"bit error rate", &quality->GetBitErrorRateText()},
                                             {"RF level", &quality->GetLevelText()},
                                             {"multipath", &quality->GetMultipathText()}}});
    application.installEventFilter(&watch);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&watch] {
        if (watch.Done()) {
            QApplication::quit();
        }
    });
    poll.start(50);
    QTimer::singleShot(20000, [] { QApplication::quit(); });
    QApplication::exec();
    watch.Print();
    app.GetDocument().OnMeasurementStop();
    return watch.Done() ? 0 : 1;
}

}  // namespace
}  // namespace tavik

int main(int argc, char** argv) {
    return tavik::Run(argc, argv);
}
