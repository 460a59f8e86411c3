// The shell's tests run on the offscreen platform, with settings in a folder of their own so
// that the recent-file list and the results folder of the user are never touched.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "ui/TAVIKSDIApp.h"
#include "ui/TavikApplication.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TZ", "Europe/Berlin");
    tavik::CTavikApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QTemporaryDir settings;
    tavik::CTAVIKSDIApp::RegisterSettings();
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
