// tarvok-rip: the command-line front end of Tarvok DVD Ripper.
#include "cli/command_line.h"
#include "cli/commands.h"
#include "platform/rip_process.h"

#include <iostream>
#include <new>

namespace {

const char kDescription[] =
    "Tarvok DVD Ripper on the command line.\n"
    "\n"
    "Commands:\n"
    "  info   what a video DVD holds: title sets, program chains, angles,\n"
    "         chapters and cells, its regions and volume\n"
    "  rip    converts the disc into one video file with the settings of the window\n"
    "  watch  rips every video disc that is put in, once each, and ejects it\n"
    "\n"
    "tarvok-rip COMMAND --help shows what a command takes.";

int Run(const QStringList& arguments)
{
    QCommandLineParser parser;
    // Everything after the command is the command's own.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption version({"V", "version"}, "Prints the version.");
    parser.addOption(version);
    parser.addPositionalArgument("command", "info, rip or watch, then what the command takes.", "COMMAND [ARGUMENTS...]");
    const std::string usage = "tarvok-rip [OPTIONS] COMMAND [ARGUMENTS...]";
    if (auto status = ParseOrExit(parser, arguments, usage, kDescription)) return *status;
    if (parser.isSet(version)) {
        std::cout << "tarvok-rip " << TARVOK_VERSION << "\n";
        return kExitOk;
    }
    const QStringList rest = parser.positionalArguments();
    if (rest.isEmpty()) return Fail(kExitUsage, "no command given (see: tarvok-rip --help)");
    if (rest.first() == "info") return InfoCommand(rest);
    if (rest.first() == "rip") return RipCommand(rest);
    if (rest.first() == "watch") return WatchCommand(rest);
    if (rest.first() == "help") return Run({arguments.first(), "--help"});
    return Fail(kExitUsage, "unknown command '" + Bytes(rest.first()) + "' (see: tarvok-rip --help)");
}

}  // namespace

int main(int argc, char* argv[])
{
    // A closed standard output, or a file size limit, fails a write; it never kills a rip.
    PrepareProcessForRips();
    int status = kExitFailed;
    try {
        status = Run(ArgumentList(argc, argv));
    } catch (const std::bad_alloc&) {
        return Fail(kExitFailed, "out of memory");
    }
    // What was to be printed must have been: a script reads it. The files are in place all the same.
    std::cout.flush();
    if (!std::cout && (status == kExitOk || status == kExitDamaged)) return Fail(kExitFailed, "cannot write to standard output");
    return status;
}
