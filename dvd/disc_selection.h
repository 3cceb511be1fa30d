#pragma once
// A part of a loaded disc a rip may take, as the user or the command line
// names it: one angle of one program chain of one title set, some of its
// chapters, one audio stream; and the parts the Titles tree and the disc's
// lengths point at.
#include "dvd/dvd_source.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Numbers count from 1.
struct DiscSelection {
    int titleSet = 0, programChain = 0, angle = 1;
    std::vector<int> chapters;  // in playing order; empty: every chapter
    int audioStream = 0;        // 0: every stream, as the disc holds them
    bool operator==(const DiscSelection&) const = default;
};

// The title set numbered `number`, if the disc holds it.
const TitleSet* TitleSetNumbered(const DvdSource& source, int number);

// The main feature: the first title of at least `minSeconds` that the
// disc's own navigation plays (its first-play program, then each menu's
// highlighted button), or, when that finds none, the angle that plays
// longest (ties: more sectors, then the lowest title set, chain and angle
// numbers); nothing for a disc without video.
struct MainFeatureChoice {
    DiscSelection selection;
    bool byNavigation = false;
};
std::optional<MainFeatureChoice> MainFeature(const DvdSource& source, double minSeconds);

// Seconds a title plays at least to count as a film, not a warning or a logo.
inline constexpr int kDefaultMinimumSeconds = 60;

// The chain of a title set whose angle the Titles tree would choose in it
// (most sectors, the first of equals); 0 when it has none.
int DefaultProgramChain(const TitleSet& titleSet);

// The angle browsed in the Titles tree (the source's current angle) with its
// ticked chapters, those with a selected cell (none listed when all are);
// nothing without a current angle or without a ticked chapter.
std::optional<DiscSelection> BrowsedSelection(const DvdSource& source);

// Every angle ticked in the Titles tree with its ticked chapters, in the
// tree's order; the labels of ticked angles without a ticked chapter go to
// `withoutChapters`.
std::vector<DiscSelection> TickedAngles(const DvdSource& source, std::vector<std::string>* withoutChapters = nullptr);

// Each program chain's longest angle that plays at least `minSeconds`, a
// chain that plays the same cells as one taken before left out; `longest`:
// how long the longest chain plays, taken or not.
std::vector<DiscSelection> EveryTitle(const DvdSource& source, double minSeconds, double* longest = nullptr);

// Why the disc holds no such title set, chain, angle, chapters or audio
// stream; empty when it holds them.
std::string SelectionProblem(const DvdSource& source, const DiscSelection& selection);

// "T2.1.1", with "_C2-5" when not every chapter is chosen and "_A2" for one
// audio stream: told apart from the whole disc in a file's name.
std::string SelectionLabel(const DiscSelection& selection);

// The selection as a media locator carries it after '#' ("2.1.1:2,3@2"), and back.
std::string EncodeSelection(const DiscSelection& selection);
std::optional<DiscSelection> DecodeSelection(const std::string& text);

// A whole number written in digits alone that fits an int; nothing otherwise.
std::optional<int> ParseNumber(std::string_view text);

// Chapter numbers written as "3", "2-5" or "1,3,6-7"; nothing when malformed.
std::optional<std::vector<int>> ParseChapterList(const std::string& text);
