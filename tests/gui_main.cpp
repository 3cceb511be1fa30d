// Tests that need a QApplication. By default windows run offscreen, where
// there is no OpenGL: the movies then draw with the software renderer. Under
// a real X server (xvfb-run, QT_QPA_PLATFORM=xcb) they draw with Qt's default
// backend, OpenGL through Mesa, as on a user's desktop.
#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen" && qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
