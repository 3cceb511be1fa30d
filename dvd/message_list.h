#pragma once
// The diagnostics of one disc load: what the reader and the model could not
// make sense of. A record for whoever looks, never shown in the window.
#include <cstddef>
#include <deque>
#include <initializer_list>
#include <string>

class MessageList {
public:
    // A hostile disc can give a message for every chapter of every chain;
    // beyond this many, more lines tell nothing new and only take memory.
    static constexpr std::size_t kMaxMessages = 1000;

    MessageList() = default;
    MessageList(std::initializer_list<std::string> lines) : lines(lines) {}

    void Append(std::string line)
    {
        if (lines.size() < kMaxMessages) lines.push_back(std::move(line));
    }
    void Prepend(std::string line)
    {
        if (lines.size() < kMaxMessages) lines.push_front(std::move(line));
    }
    void clear() { lines.clear(); }

    std::size_t size() const { return lines.size(); }
    bool empty() const { return lines.empty(); }
    const std::string& front() const { return lines.front(); }
    auto begin() const { return lines.begin(); }
    auto end() const { return lines.end(); }
    bool operator==(const MessageList&) const = default;

private:
    std::deque<std::string> lines;
};
