#pragma once
// A loaded disc written out for people (a tree) and for programs (JSON).
#include "dvd/dvd_source.h"
#include "rip/disc_facts.h"

#include <nlohmann/json.hpp>

#include <ostream>

void PrintDiscTree(std::ostream& out, const DvdSource& source, const DiscEncryption& encryption);
nlohmann::json DiscToJson(const DvdSource& source, const DiscEncryption& encryption);
