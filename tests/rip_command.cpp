#include "tests/rip_command.h"

#include "tests/test_discs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

std::string Rip(const std::string& arguments, int* status, const std::string& stdinFrom,
                const std::string& wrapper)
{
    const std::string home = ScratchFolder() + "/home";
    fs::create_directories(home);
    return RunCommand("HOME=" + ShellQuote(home) + " XDG_CONFIG_HOME=" + ShellQuote(home + "/.config") + " timeout 120 " +
                          wrapper + " " + ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " rip " + arguments +
                          " <" + stdinFrom + " 2>" + ShellQuote(ScratchFolder() + "/stderr.txt"),
                      status);
}

std::string LastErrors()
{
    std::ifstream file(ScratchFolder() + "/stderr.txt");
    return std::string(std::istreambuf_iterator<char>(file), {});
}

std::string RipStoppedMidway(const std::string& disc, const std::string& arguments, const std::string& signal)
{
    const uint64_t middle = fs::file_size(disc + "/VIDEO_TS/VTS_01_1.VOB") / 2 / 2048 * 2048;
    const std::string blocked = ScratchFolder() + "/blocked";
    fs::remove(blocked);
    int status = -1;
    return RunCommand(
        "HOME=" + ShellQuote(ScratchFolder() + "/home") + " XDG_CONFIG_HOME=" + ShellQuote(ScratchFolder() + "/home/.config") +
            " LD_PRELOAD=" + ShellQuote(TARVOK_FAULT_SHIM) + " TARVOK_FAULT_FILE=VTS_01_1.VOB TARVOK_FAULT=block TARVOK_FAULT_FROM=" +
            std::to_string(middle) + " TARVOK_FAULT_TO=" + std::to_string(middle + 2048) + " TARVOK_FAULT_MARK=" + ShellQuote(blocked) +
            " " + ShellQuote(std::string(TARVOK_RUNTIME_DIR) + "/tarvok-rip") + " rip " + ShellQuote(disc) + " " + arguments +
            " </dev/null 2>" + ShellQuote(ScratchFolder() + "/stderr.txt") + " & pid=$!; while [ ! -e " + ShellQuote(blocked) +
            " ]; do sleep 0.02; done; kill -" + signal + " $pid; wait $pid; echo $?",
        &status);
}

std::string RippedFile(const std::string& disc, const std::string& folder, const std::string& options)
{
    int status = -1;
    const std::string printed = Rip(ShellQuote(disc) + " --yes --output " + ShellQuote(folder) + " " + options, &status);
    EXPECT_EQ(status, 0) << LastErrors();
    return status == 0 ? printed.substr(0, printed.find('\n')) : std::string();
}
