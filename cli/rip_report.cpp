#include "cli/rip_report.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>

#include <unistd.h>

namespace {

std::string Clock(double seconds)
{
    const long total = static_cast<long>(seconds + 0.5);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", total / 60, total % 60);
    return text;
}

double Tenths(double value)
{
    return std::round(value * 10) / 10;
}

}  // namespace

RipReport::RipReport(bool json, std::vector<std::string> labels, bool printPaths)
    : json(json), printPaths(printPaths), terminal(isatty(STDERR_FILENO)), labels(std::move(labels))
{
}

void RipReport::Write(const std::string& line)
{
    std::cout << line << std::endl;  // flushed: a script reads each line as it comes
}

void RipReport::Started(int item, const std::string& disc, const std::string& path)
{
    itemStart = std::chrono::steady_clock::now();
    if (json) return;
    const std::string label = labels.at(item - 1);
    std::cerr << "Converting " << disc << (label.empty() ? "" : " (" + label + ")") << " into " << path << "\n";
}

void RipReport::Progress(const JobState& state)
{
    // A script hears of each item as it begins; a person once it advances.
    if (state.phase != JobPhase::Converting || (!json && state.itemPercent <= 0)) return;
    const long tenths = std::lround(state.itemPercent * 10);
    const auto now = std::chrono::steady_clock::now();
    // A script hears of each change; a person gets a line every half second
    // at a terminal, else one each tenth of the way.
    const bool due = json       ? state.item != shownItem || tenths != shownTenths
                     : terminal ? now - shownAt >= std::chrono::milliseconds(500)
                                : state.item != shownItem || tenths / 100 != shownTenths / 100;
    if (!due) return;
    shownItem = state.item;
    shownTenths = tenths;
    shownAt = now;
    ProgressLine(state);
}

void RipReport::ProgressLine(const JobState& state)
{
    if (json) {
        Write(nlohmann::json{{"state", "converting"},
                             {"item", state.item},
                             {"items", state.items},
                             {"percent", Tenths(state.percent)},
                             {"itemPercent", Tenths(state.itemPercent)},
                             {"elapsed", Tenths(state.elapsed)},
                             {"eta", Tenths(state.eta)}}
                  .dump());
        return;
    }
    const std::string item = state.items > 1 ? std::to_string(state.item) + "/" + std::to_string(state.items) + "  " : "";
    std::cerr << (terminal ? "\r" : "") << "  " << item << static_cast<int>(state.percent) << "%  elapsed "
              << Clock(state.elapsed) << "  left " << Clock(state.eta) << (terminal ? "   " : "\n") << std::flush;
    lineOpen = terminal;
}

void RipReport::Ended(int item, const ItemResult& result)
{
    if (json) {
        Write(nlohmann::json{{"state", OutcomeName(result.outcome)}, {"item", item}, {"file", result.file}, {"reason", result.reason},
                             {"notes", result.notes}}
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        return;
    }
    if (lineOpen) std::cerr << "\n";
    lineOpen = false;
    const bool converted = result.outcome == ItemOutcome::Done || result.outcome == ItemOutcome::Damaged;
    if (converted) {
        std::error_code error;
        const auto size = std::filesystem::file_size(result.file, error);
        if (printPaths) std::cout << result.file << std::endl;
        std::cerr << "Converted in " << Clock(std::chrono::duration<double>(std::chrono::steady_clock::now() - itemStart).count())
                  << ": " << result.file << " (" << (error ? 0 : size / 1048576) << " MB)\n";
    }
    // A scratched disc gives what can be read, and says what it could not.
    if (result.outcome == ItemOutcome::Damaged) std::cerr << "tarvok-rip: " << result.reason << "\n";
    if (converted && !result.notes.empty()) std::cerr << "tarvok-rip: " << result.notes << "\n";
    if (result.outcome == ItemOutcome::Failed)
        std::cerr << "tarvok-rip: " << result.reason << (result.file.empty() ? "" : "; what was converted is in " + result.file) << "\n";
    if (result.outcome == ItemOutcome::Stopped)
        std::cerr << "tarvok-rip: stopped" << (result.file.empty() ? "" : "; the partial file " + result.file + " stays") << "\n";
}

void RipReport::Summary(const std::vector<ItemResult>& results)
{
    if (json) {
        nlohmann::json items = nlohmann::json::array();
        for (std::size_t i = 0; i < results.size(); ++i)
            items.push_back({{"item", i + 1}, {"label", labels[i]}, {"state", OutcomeName(results[i].outcome)}, {"file", results[i].file}});
        Write(nlohmann::json{{"state", "finished"}, {"status", JobExitStatus(results)}, {"items", items}}
                  .dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
        return;
    }
    if (results.size() < 2) return;
    int ripped = 0;
    std::string named;
    for (std::size_t i = 0; i < results.size(); ++i) {
        ripped += results[i].outcome == ItemOutcome::Done || results[i].outcome == ItemOutcome::Damaged;
        named += std::string(named.empty() ? "" : ", ") + labels[i] + " " + OutcomeName(results[i].outcome);
    }
    std::cerr << "Ripped " << ripped << " of " << results.size() << ": " << named << "\n";
}

JobEvents ReportedEvents(RipReport& report, const std::string& disc)
{
    JobEvents events;
    events.itemStarted = [&report, disc](int item, const std::string& path) { report.Started(item, disc, path); };
    events.itemEnded = [&report](int item, const ItemResult& result) { report.Ended(item, result); };
    return events;
}
