#pragma once
// The per-user store of the settings: flat text keys, as the profile keeps them.
#include <map>
#include <string>

class IProfile {
public:
    virtual ~IProfile() = default;
    // Returns `fallback` when the key is missing.
    virtual std::string GetProfileString(const std::string& key, const std::string& fallback) const = 0;
    virtual void WriteProfileString(const std::string& key, const std::string& value) = 0;
};

// A profile held in memory: for a run that must not touch the user's file
// (options of the command line) and for tests.
class MemoryProfile : public IProfile {
public:
    std::string GetProfileString(const std::string& key, const std::string& fallback) const override;
    void WriteProfileString(const std::string& key, const std::string& value) override;
    const std::map<std::string, std::string>& Values() const { return values; }

private:
    std::map<std::string, std::string> values;
};
