// Tests that need a QApplication. By default windows run offscreen, where
// there is no OpenGL: the movies then draw with the software renderer. Under
// a real X server (xvfb-run, QT_QPA_PLATFORM=xcb) they draw with Qt's default
// backend, OpenGL through Mesa, as on a user's desktop.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char* argv[])
{
    // A runtime folder of each test's own: two tests ripping one disc side
    // by side must not meet at its lock, as one user's two rips do.
    std::filesystem::create_directories(TARVOK_TEST_SCRATCH_DIR);
    std::string runtime = std::string(TARVOK_TEST_SCRATCH_DIR) + "/runtime-XXXXXX";
    if (mkdtemp(runtime.data())) setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
