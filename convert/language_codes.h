#pragma once
// Languages as a DVD gives them (ISO 639-1, two letters) and as containers
// store them (ISO 639-2, three).
#include <string>

// The bibliographic ISO 639-2 code ("fre" for "fr"), any case in; empty for
// a code that is not ISO 639-1.
std::string Iso639Bibliographic(const std::string& twoLetters);

// The terminological code where it differs from the bibliographic one
// ("fra" for "fre"); otherwise the code itself.
std::string Iso639Terminological(const std::string& bibliographic);
