#include "cli/command_line.h"
#include "cli/commands.h"
#include "cli/disc_watch.h"
#include "cli/rip_options.h"
#include "platform/mount_watcher.h"
#include "platform/rip_process.h"
#include "platform/signal_watcher.h"
#include "platform/user_folders.h"
#include "settings/value_tables.h"

#include <QCoreApplication>
#include <QDBusConnection>

namespace {

const char kWatchDescription[] =
    "Rips each video disc that is in a drive when it starts, or is put in later, one at a time, with the settings of "
    "Tarvok DVD Ripper and the rip options given, then ejects it. A disc ripped before (done or with damage, as "
    "ripped.jsonl in the state folder records) is ejected unripped. A name that is taken gets the next free one, "
    "NAME (2).EXT: nothing is ever overwritten and nothing is asked. It runs until SIGTERM or Ctrl-C; a rip running "
    "then stops, its file kept.";

// What watch refuses: what needs a person, or a single title of a disc not yet seen.
std::string Refused(const QCommandLineParser& parser, const RipOptions& options)
{
    if (parser.isSet(options.yes)) return "watch never overwrites (a taken name gets the next free one): --yes has no use";
    if (parser.isSet(options.chapters)) return "--chapters needs a single title of a known disc: watch rips discs not yet seen";
    if (parser.isSet(options.title) && parser.value(options.title) != "main" && parser.value(options.title) != "each")
        return "watch takes --title main or each: a title's number belongs to one disc";
    for (const QCommandLineOption* option : {&options.audio, &options.burn, &options.subtitles})
        for (const QString& value : parser.values(*option))
            if (ParseNumber(std::string_view(Bytes(value))))
                return "--" + Bytes(option->names().first()) + " " + Bytes(value) +
                       ": a stream's number belongs to one disc; watch takes a language code";
    return {};
}

}  // namespace

int WatchCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const RipOptions options;
    parser.addOptions(options.All());
    const QCommandLineOption noEject("no-eject", "Keeps each disc in its drive once it is done.");
    const QCommandLineOption again("again", "Rips a disc even when it was ripped before.");
    parser.addOptions({noEject, again});
    if (auto status = ParseOrExit(parser, arguments, "tarvok-rip watch [OPTIONS]", kWatchDescription)) return *status;
    if (!parser.positionalArguments().isEmpty())
        return Fail(kExitUsage, "watch takes no SOURCE: it rips each disc that appears (see: tarvok-rip watch --help)");
    if (const std::string why = Refused(parser, options); !why.empty()) return Fail(kExitUsage, why);
    WatchChoices choices;
    if (const auto status = ReadRunChoices(parser, options, choices.run)) return *status;
    choices.eject = !parser.isSet(noEject);
    choices.again = parser.isSet(again);
    const std::string state = StateFolder();
    if (state.empty()) return Fail(kExitUsage, "neither XDG_STATE_HOME nor HOME is set, so there is no place for the record of ripped discs");
    choices.recordPath = state + "/ripped.jsonl";
    choices.choose = [&](const DvdSource& source, std::string& wrong) {
        return ChooseForDisc(source, choices.run, parser, options, wrong);
    };

    int argc = 1;
    char name[] = "tarvok-rip";
    char* argv[] = {name, nullptr};
    QCoreApplication application(argc, argv);
    // Qt took the user's locale as it started: numbers for the converter are in C again.
    PrepareProcessForRips();

    MountTableVolumes volumes;
    const auto drives = MachineOpticalDrives();
    LinuxDriveControl drive(QDBusConnection::systemBus());
    DesktopNotifier notifier(QDBusConnection::sessionBus());
    DiscWatch watch({volumes, *drives, drive, notifier}, std::move(choices));
    watch.ended = [] { QCoreApplication::exit(kExitOk); };

    MountWatcher mounts(volumes, volumes.MountInfoPath());
    OpticalDriveEvents driveEvents;
    SignalWatcher stopSignals;
    QObject::connect(&mounts, &MountWatcher::volumeArrived, [&] { watch.Look(); });
    QObject::connect(&mounts, &MountWatcher::volumeRemoved, [&] { watch.Look(); });
    QObject::connect(&driveEvents, &OpticalDriveEvents::changed, [&] { watch.Look(); });
    QObject::connect(&stopSignals, &SignalWatcher::received, [&] { watch.Stop(); });
    watch.Look();
    const int status = QCoreApplication::exec();
    drive.FinishEject();
    return status;
}
