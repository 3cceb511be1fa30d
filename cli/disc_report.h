#pragma once
// A loaded disc written out for people (a tree) and for programs (JSON).
#include "dvd/dvd_source.h"
#include "rip/disc_facts.h"

#include <nlohmann/json.hpp>

#include <ostream>

// `minSeconds`: what the main feature plays at least.
void PrintDiscTree(std::ostream& out, const DvdSource& source, const DiscEncryption& encryption, double minSeconds);
nlohmann::json DiscToJson(const DvdSource& source, const DiscEncryption& encryption, double minSeconds);
