#include "rip/media_locator.h"

#include <cctype>
#include <cstdio>
#include <cstring>

std::string EncodeLocatorPath(const std::string& path)
{
    static const char kKept[] = "-._~/!$&'()*+,;=:@";
    std::string encoded;
    for (unsigned char c : path) {
        if (std::isalnum(c) || std::strchr(kKept, c)) {
            encoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    return encoded;
}

std::optional<std::string> DiscOfLocator(const std::string& locator)
{
    if (!locator.starts_with(kDiscScheme)) return std::nullopt;
    std::string path;
    const std::string encoded = locator.substr(std::strlen(kDiscScheme));
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size() && std::isxdigit(static_cast<unsigned char>(encoded[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(encoded[i + 2]))) {
            path += static_cast<char>(std::stoi(encoded.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            path += encoded[i];
        }
    }
    return path;
}
