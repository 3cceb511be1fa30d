#pragma once
// What every command of tarvok-rip shares: its arguments parsed with
// QCommandLineParser, its help, its exit statuses and how it fails.
#include <QCommandLineParser>
#include <QStringList>

#include <optional>
#include <string>

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitNoDisc = 2;
inline constexpr int kExitDamaged = 3;
inline constexpr int kExitUsage = 64;

// The arguments as the bytes they are: a file name need not be UTF-8, so
// each byte becomes one character (Latin-1) and Bytes() gives it back.
QStringList ArgumentList(int argc, char* argv[]);
std::string Bytes(const QString& argument);

// Parses `arguments` (the command's name first) with `parser`, which also
// gets -h/--help. An exit status when the command ends here: 0 after its
// help, kExitUsage after naming what is wrong.
std::optional<int> ParseOrExit(QCommandLineParser& parser, const QStringList& arguments, const std::string& usage,
                               const std::string& description);

// Says why on stderr ("tarvok-rip: ...") and returns `status`.
int Fail(int status, const std::string& reason);

// What SOURCE may be, for the help of the commands that take one.
extern const char kSourceHelp[];

// --min-length SECONDS (default 60), for the commands that choose titles by
// how long they play; `description` says what for.
QCommandLineOption MinLengthOption(const QString& description);
// Its value: whole seconds; nothing, said on stderr, otherwise (the command exits kExitUsage).
std::optional<int> MinLength(const QCommandLineParser& parser, const QCommandLineOption& option);
