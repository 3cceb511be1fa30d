#include "platform/user_folders.h"

#include <cstdlib>

namespace {

constexpr char kProgramFolder[] = "/tarvok-dvd-ripper";

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    // XDG base directories are absolute paths only; a relative one is ignored.
    return value && value[0] == '/' ? value : "";
}

}  // namespace

std::string StateFolder()
{
    if (const std::string state = Variable("XDG_STATE_HOME"); !state.empty()) return state + kProgramFolder;
    const std::string home = Variable("HOME");
    return home.empty() ? home : home + "/.local/state" + kProgramFolder;
}

std::string RuntimeFolder()
{
    const std::string runtime = Variable("XDG_RUNTIME_DIR");
    return runtime.empty() ? StateFolder() : runtime + kProgramFolder;
}
