#include "dvd/stream_choices.h"

#include "dvd/disc_selection.h"

#include <algorithm>
#include <cctype>

std::string JoinChoices(const std::vector<std::string>& choices)
{
    std::string text;
    for (const std::string& choice : choices) text += (text.empty() ? "" : "+") + choice;
    return text;
}

std::vector<std::string> SplitChoices(const std::string& text, char separator)
{
    std::vector<std::string> choices;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find(separator, at), text.size());
        choices.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return choices;
}

bool IsStreamChoice(const std::string& text, bool allowAll)
{
    if (allowAll && text == "all") return true;
    if (const auto number = ParseNumber(text)) return *number >= 1 && *number <= 32;
    return text.size() == 2 && std::isalpha(static_cast<unsigned char>(text[0])) && std::isalpha(static_cast<unsigned char>(text[1]));
}
