#include "convert/media_locator.h"

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
    const std::string_view path = std::string_view(locator).substr(std::strlen(kDiscScheme));
    return DecodeHexEscapes(path.substr(0, path.find('#')), "%");
}

std::string PartOfLocator(const std::string& locator)
{
    const auto hash = locator.find('#');
    return locator.starts_with(kDiscScheme) && hash != std::string::npos ? locator.substr(hash + 1) : std::string();
}
