#include "settings/value_tables.h"

#include <cstdlib>

int LeadingNumber(const std::string& text)
{
    return std::atoi(text.c_str());
}

std::string JoinTable(std::span<const char* const> table)
{
    std::string joined;
    for (const char* entry : table) {
        if (!*entry) break;
        if (!joined.empty()) joined += '|';
        joined += entry;
    }
    return joined;
}
