#include "rip/media_locator.h"

#include "platform/hex_escapes.h"

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
    return DecodeHexEscapes(std::string_view(locator).substr(std::strlen(kDiscScheme)), "%");
}
