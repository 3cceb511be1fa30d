// The main window's resident memory with a disc loaded and after rips of it,
// the preview off and on, on a real X server with Qt's default Quick backend:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bin/window_memory_bench DISC [RIPS]
//
// DISC is a DVD-Video folder (as tests/make_test_disc.sh makes them), shown
// to the window as a mounted drive; the files go to a scratch folder.
#include "settings/setting_table.h"
#include "tests/main_window_harness.h"
#include "ui/movie_vocabulary.h"
#include "ui/shockwave_flash.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long ResidentKilobytes()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_memory_bench DISC [RIPS]\n");
        return 64;
    }
    const int rips = argc > 2 ? std::atoi(argv[2]) : 2;
    QTemporaryDir scratch;
    MainWindowHarness harness({DiscVolume(argv[1], "BENCH", "/dev/tarvok-bench-sr0")}, ProfileWith({{profile_key::kDontAskOverwrite, "1"}}));
    CRipperDlg& window = harness.Window();
    harness.ChooseOutputFolder(scratch.path().toStdString());
    std::printf("disc loaded: %ld MB\n", ResidentKilobytes() / 1024);
    for (int rip = 1; rip <= rips; ++rip) {
        const bool preview = rip % 2 == 0;
        window.Movie().SetVariable(main_var::kPreview, preview ? "true" : "false");
        window.OnStartRip();
        while (window.Ripping()) QTest::qWait(100);
        QTest::qWait(1000);
        std::printf("after rip %d (preview %s): %ld MB, %s\n", rip, preview ? "on" : "off", ResidentKilobytes() / 1024,
                    window.Movie().GetVariable(main_var::kProgressText).c_str());
    }
    return 0;
}
