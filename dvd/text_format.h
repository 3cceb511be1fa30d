#pragma once
// A text of the program filled in, printf-style.
#include <cstdio>
#include <string>

// However long what goes in it: a long path never cuts off the reason.
template <typename... Values>
std::string Format(const char* format, Values... values)
{
    std::string line(static_cast<std::size_t>(std::snprintf(nullptr, 0, format, values...)) + 1, '\0');
    std::snprintf(line.data(), line.size(), format, values...);
    line.pop_back();
    return line;
}
