#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_report.h"
#include "cli/disc_source.h"
#include "platform/volume_table.h"

#include <iostream>

int InfoCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption json("json", "Prints one JSON object instead of the tree.");
    const QCommandLineOption minLength =
        MinLengthOption("The seconds the main feature plays at least (default 60; warnings and logos are shorter).");
    parser.addOptions({json, minLength});
    parser.addPositionalArgument("source", kSourceHelp, "[SOURCE]");
    if (auto status = ParseOrExit(parser, arguments, "tarvok-rip info [OPTIONS] [SOURCE]",
                                  "Prints the disc's title sets, program chains, angles, chapters and cells, its "
                                  "regions and volume, then what the reader could not make sense of."))
        return *status;
    const QStringList sources = parser.positionalArguments();
    if (sources.size() > 1) return Fail(kExitUsage, "one SOURCE at most (see: tarvok-rip info --help)");
    const auto seconds = MinLength(parser, minLength);
    if (!seconds) return kExitUsage;

    MountTableVolumes volumes;
    DvdSource source(volumes);
    auto videoTs = LocateSource(source, sources.isEmpty() ? std::nullopt : std::optional(Bytes(sources.first())));
    if (!videoTs) return kExitNoDisc;
    source.Load(*videoTs);
    const DiscEncryption encryption = EncryptionOf(source);
    if (parser.isSet(json))
        // Paths and labels need not be UTF-8: bytes JSON cannot hold become U+FFFD.
        std::cout << DiscToJson(source, encryption, *seconds).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    else
        PrintDiscTree(std::cout, source, encryption, *seconds);
    return kExitOk;
}
