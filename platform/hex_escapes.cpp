#include "platform/hex_escapes.h"

#include <cctype>

namespace {

int HexValue(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}

}  // namespace

std::string DecodeHexEscapes(std::string_view text, std::string_view marker)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t digits = i + marker.size();
        if (text.substr(i, marker.size()) == marker && digits + 1 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[digits])) && std::isxdigit(static_cast<unsigned char>(text[digits + 1]))) {
            decoded += static_cast<char>(HexValue(text[digits]) * 16 + HexValue(text[digits + 1]));
            i = digits + 1;
        } else {
            decoded += text[i];
        }
    }
    return decoded;
}
