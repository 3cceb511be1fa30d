#include "dvd/disc_selection.h"

#include "dvd/navigation_walk.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>

const TitleSet* TitleSetNumbered(const DvdSource& source, int number)
{
    for (const auto& titleSet : source.TitleSets())
        if (titleSet->number == number) return titleSet.get();
    return nullptr;
}

namespace {

std::optional<DiscSelection> LongestAngle(const DvdSource& source)
{
    std::optional<DiscSelection> best;
    double bestSeconds = 0;
    uint32_t bestSectors = 0;
    for (const auto& titleSet : source.TitleSets())
        for (const auto& chain : titleSet->pgcEntries)
            for (const auto& angle : chain->angles) {
                if (angle->sectors == 0) continue;
                const bool longer = angle->seconds > bestSeconds || (angle->seconds == bestSeconds && angle->sectors > bestSectors);
                if (best && !longer) continue;
                best = DiscSelection{titleSet->number, chain->number, angle->angleIndex + 1, {}, 0};
                bestSeconds = angle->seconds;
                bestSectors = angle->sectors;
            }
    return best;
}

// The title the disc's navigation plays first of those of at least `minSeconds`, as the Titles tree holds it.
std::optional<DiscSelection> NavigatedTitle(const DvdSource& source, double minSeconds)
{
    const IDiscFiles* files = source.Files();
    if (!files) return std::nullopt;
    const auto walked = WalkToFirstLongTitle(
        ReadNavigation(*files), [files](int titleSet, uint32_t sector) { return ReadMenuButtons(*files, titleSet, sector); }, minSeconds);
    const TitleSet* titleSet = walked ? TitleSetNumbered(source, walked->titleSet) : nullptr;
    if (!titleSet || walked->programChain < 1 || walked->programChain > int(titleSet->pgcEntries.size())) return std::nullopt;
    const PgcEntry& chain = *titleSet->pgcEntries[walked->programChain - 1];
    const int angle = walked->angle <= int(chain.angles.size()) ? walked->angle : 1;
    if (chain.angles.empty() || chain.angles[angle - 1]->sectors == 0) return std::nullopt;
    return DiscSelection{titleSet->number, chain.number, angle, {}, 0};
}

}  // namespace

std::optional<MainFeatureChoice> MainFeature(const DvdSource& source, double minSeconds)
{
    if (auto navigated = NavigatedTitle(source, minSeconds)) return MainFeatureChoice{*navigated, true};
    if (auto longest = LongestAngle(source)) return MainFeatureChoice{*longest, false};
    return std::nullopt;
}

int DefaultProgramChain(const TitleSet& titleSet)
{
    const PgcEntry* chain = LargestAngle(titleSet).first;
    return chain ? chain->number : 0;
}

namespace {

// An angle with its ticked chapters (those with a selected cell; none listed
// when all are); nothing when none is ticked.
std::optional<DiscSelection> TickedChaptersOf(const TitleSet& titleSet, const PgcEntry& chain, const AngleInfo& angle)
{
    DiscSelection selection{titleSet.number, chain.number, angle.angleIndex + 1, {}, 0};
    for (const auto& chapter : angle.chapters)
        if (std::any_of(chapter->cells.begin(), chapter->cells.end(), [](const auto& cell) { return cell->selected; }))
            selection.chapters.push_back(chapter->chapterIndex + 1);
    if (selection.chapters.empty()) return std::nullopt;
    if (selection.chapters.size() == angle.chapters.size()) selection.chapters.clear();
    return selection;
}

}  // namespace

std::optional<DiscSelection> BrowsedSelection(const DvdSource& source)
{
    const TitleSet* titleSet = source.GetCurrentTitleSet();
    const AngleInfo* angle = source.currentAngle;
    if (!titleSet || !angle) return std::nullopt;
    for (const auto& chain : titleSet->pgcEntries)
        for (const auto& candidate : chain->angles)
            if (candidate.get() == angle) return TickedChaptersOf(*titleSet, *chain, *angle);
    return std::nullopt;
}

std::vector<DiscSelection> TickedAngles(const DvdSource& source, std::vector<std::string>* withoutChapters)
{
    std::vector<DiscSelection> ticked;
    for (const auto& titleSet : source.TitleSets())
        for (const auto& chain : titleSet->pgcEntries)
            for (const auto& angle : chain->angles) {
                if (!angle->ticked) continue;
                if (auto selection = TickedChaptersOf(*titleSet, *chain, *angle))
                    ticked.push_back(*selection);
                else if (withoutChapters)
                    withoutChapters->push_back(SelectionLabel({titleSet->number, chain->number, angle->angleIndex + 1, {}, 0}));
            }
    return ticked;
}

std::vector<DiscSelection> EveryTitle(const DvdSource& source, double minSeconds, double* longest)
{
    std::vector<DiscSelection> titles;
    std::vector<std::pair<int, std::vector<std::pair<uint32_t, uint32_t>>>> played;  // title set and cells of each taken
    if (longest) *longest = 0;
    for (const auto& titleSet : source.TitleSets())
        for (const auto& chain : titleSet->pgcEntries) {
            const AngleInfo* best = nullptr;
            for (const auto& angle : chain->angles)
                if (angle->sectors > 0 && (!best || angle->seconds > best->seconds)) best = angle.get();
            if (!best) continue;
            if (longest) *longest = std::max(*longest, best->seconds);
            if (best->seconds < minSeconds) continue;
            // Chains that play the same cells in the same order are one title.
            std::pair<int, std::vector<std::pair<uint32_t, uint32_t>>> cells{titleSet->number, {}};
            for (const auto& chapter : best->chapters)
                for (const auto& cell : chapter->cells) cells.second.emplace_back(cell->firstSector, cell->lastSector);
            if (std::find(played.begin(), played.end(), cells) != played.end()) continue;
            played.push_back(std::move(cells));
            titles.push_back({titleSet->number, chain->number, best->angleIndex + 1, {}, 0});
        }
    return titles;
}

std::string SelectionProblem(const DvdSource& source, const DiscSelection& selection)
{
    const TitleSet* titleSet = TitleSetNumbered(source, selection.titleSet);
    if (!titleSet) return "the disc has no title set " + std::to_string(selection.titleSet);
    const auto& chains = titleSet->pgcEntries;
    if (selection.programChain < 1 || selection.programChain > static_cast<int>(chains.size()))
        return "title set " + std::to_string(selection.titleSet) + " has " + std::to_string(chains.size()) + " program chains, not " +
               std::to_string(selection.programChain);
    const auto& angles = chains[selection.programChain - 1]->angles;
    if (selection.angle < 1 || selection.angle > static_cast<int>(angles.size()))
        return "that program chain has " + std::to_string(angles.size()) + " angles, not " + std::to_string(selection.angle);
    const int chapters = static_cast<int>(angles[selection.angle - 1]->chapters.size());
    // The farthest chapter asked for is named: "not 999" for 1-999.
    if (!selection.chapters.empty()) {
        if (const int farthest = *std::max_element(selection.chapters.begin(), selection.chapters.end()); farthest > chapters)
            return "that angle has " + std::to_string(chapters) + " chapters, not " + std::to_string(farthest);
        if (*std::min_element(selection.chapters.begin(), selection.chapters.end()) < 1) return "chapters count from 1";
    }
    if (selection.audioStream < 0 || selection.audioStream > static_cast<int>(titleSet->audioStreams.size()))
        return "title set " + std::to_string(selection.titleSet) + " has no audio stream " + std::to_string(selection.audioStream);
    return {};
}

namespace {

// "1,3,6-7" for 1, 3, 6, 7.
std::string ChapterRanges(const std::vector<int>& chapters)
{
    std::string text;
    for (std::size_t i = 0; i < chapters.size();) {
        std::size_t j = i;
        while (j + 1 < chapters.size() && chapters[j + 1] == chapters[j] + 1) ++j;
        text += (text.empty() ? "" : ",") + std::to_string(chapters[i]) + (j > i ? "-" + std::to_string(chapters[j]) : "");
        i = j + 1;
    }
    return text;
}

}  // namespace

std::string SelectionLabel(const DiscSelection& selection)
{
    std::string label = "T" + std::to_string(selection.titleSet) + "." + std::to_string(selection.programChain) + "." +
                        std::to_string(selection.angle);
    if (!selection.chapters.empty()) label += "_C" + ChapterRanges(selection.chapters);
    if (selection.audioStream > 0) label += "_A" + std::to_string(selection.audioStream);
    return label;
}

std::string EncodeSelection(const DiscSelection& selection)
{
    std::string text = std::to_string(selection.titleSet) + "." + std::to_string(selection.programChain) + "." +
                       std::to_string(selection.angle);
    if (!selection.chapters.empty()) text += ":" + ChapterRanges(selection.chapters);
    if (selection.audioStream > 0) text += "@" + std::to_string(selection.audioStream);
    return text;
}

std::optional<DiscSelection> DecodeSelection(const std::string& text)
{
    DiscSelection selection;
    char tail[512] = {};
    if (text.size() >= sizeof tail ||
        std::sscanf(text.c_str(), "%d.%d.%d%511s", &selection.titleSet, &selection.programChain, &selection.angle, tail) < 3)
        return std::nullopt;
    std::string rest = tail;
    if (const auto at = rest.find('@'); at != std::string::npos) {
        selection.audioStream = std::atoi(rest.c_str() + at + 1);
        rest.resize(at);
    }
    if (rest.starts_with(":")) {
        auto chapters = ParseChapterList(rest.substr(1));
        if (!chapters) return std::nullopt;
        selection.chapters = *chapters;
    } else if (!rest.empty()) {
        return std::nullopt;
    }
    return selection;
}

std::optional<int> ParseNumber(std::string_view text)
{
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text.front())) || error != std::errc() ||
        end != text.data() + text.size())
        return std::nullopt;
    return number;
}

std::optional<std::vector<int>> ParseChapterList(const std::string& text)
{
    std::vector<int> chapters;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(',', at);
        if (end == std::string::npos) end = text.size();
        const std::string_view piece = std::string_view(text).substr(at, end - at);
        const std::size_t dash = piece.find('-');
        const auto first = ParseNumber(piece.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : ParseNumber(piece.substr(dash + 1));
        if (!first || !last) return std::nullopt;
        if (*first < 1 || *last < *first || *last - *first > 999) return std::nullopt;
        for (int c = *first; c <= *last; ++c) chapters.push_back(c);
        at = end + 1;
    }
    if (chapters.empty()) return std::nullopt;
    return chapters;
}
