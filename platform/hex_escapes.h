#pragma once
// Bytes written as a marker and two hex digits ("\x20" in udev's label
// links, "%20" in media locators), turned back into bytes.
#include <string>
#include <string_view>

std::string DecodeHexEscapes(std::string_view text, std::string_view marker);
