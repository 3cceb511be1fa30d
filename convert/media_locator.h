#pragma once
// Media locators of discs: "dvdsimple://" and the disc's path, percent-encoded.
#include <optional>
#include <string>

inline constexpr char kDiscScheme[] = "dvdsimple://";

std::string EncodeLocatorPath(const std::string& path);
// The disc a "dvdsimple://" locator names, or nothing for another locator.
std::optional<std::string> DiscOfLocator(const std::string& locator);
// What a disc locator says to read after its '#' (a selection); empty: the whole disc.
std::string PartOfLocator(const std::string& locator);
