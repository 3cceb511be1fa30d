#include "settings/profile.h"

std::string MemoryProfile::GetProfileString(const std::string& key, const std::string& fallback) const
{
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

void MemoryProfile::WriteProfileString(const std::string& key, const std::string& value)
{
    values[key] = value;
}
