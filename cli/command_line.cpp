#include "cli/command_line.h"

#include "dvd/disc_selection.h"

#include <iostream>

namespace {

const char kExitStatusHelp[] =
    "\nExit status:\n"
    "  0   done: every item converted whole\n"
    "  1   an item failed, was skipped or not ripped, or the job was stopped (the reason is printed)\n"
    "  2   no disc found at SOURCE, or on any mounted volume\n"
    "  3   converted with damage, and no item failed: unreadable sectors were passed over\n"
    "  64  wrong usage\n";

// Qt's help begins with a usage line of its own; ours names the command.
std::string HelpText(const QCommandLineParser& parser, const std::string& usage)
{
    const QString text = parser.helpText();
    return "Usage: " + usage + text.mid(text.indexOf('\n')).toStdString() + kExitStatusHelp;
}

}  // namespace

const char kSourceHelp[] =
    "A volume root, a folder that holds VIDEO_TS, a VIDEO_TS folder, a disc image (.iso) or a drive (/dev/sr0, "
    "mounted or not); without it the mounted volumes are searched for a video DVD.";

QStringList ArgumentList(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLatin1(argv[i]);
    return arguments;
}

std::string Bytes(const QString& argument)
{
    return argument.toLatin1().toStdString();
}

QCommandLineOption MinLengthOption(const QString& description)
{
    return QCommandLineOption("min-length", description, "SECONDS", QString::number(kDefaultMinimumSeconds));
}

std::optional<int> MinLength(const QCommandLineParser& parser, const QCommandLineOption& option)
{
    const auto seconds = ParseNumber(std::string_view(Bytes(parser.value(option))));
    if (!seconds) Fail(kExitUsage, "--min-length takes whole seconds, not " + Bytes(parser.value(option)));
    return seconds;
}

std::optional<int> ParseOrExit(QCommandLineParser& parser, const QStringList& arguments, const std::string& usage,
                               const std::string& description)
{
    parser.setApplicationDescription(QString::fromStdString(description));
    const QCommandLineOption help({"h", "help"}, "Shows this help.");
    parser.addOption(help);
    if (!parser.parse(arguments)) {
        std::cerr << "tarvok-rip: " << Bytes(parser.errorText()) << " (see: " << usage.substr(0, usage.find(" [")) << " --help)\n";
        return kExitUsage;
    }
    if (parser.isSet(help)) {
        std::cout << HelpText(parser, usage);
        return kExitOk;
    }
    return std::nullopt;
}

int Fail(int status, const std::string& reason)
{
    std::cerr << "tarvok-rip: " << reason << "\n";
    return status;
}
