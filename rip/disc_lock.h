#pragma once
// One rip of a disc at a time, whichever program rips it: the window and
// `tarvok-rip watch` each hold a lock named by the disc's identity while
// they rip it. The lock is a file in the runtime folder, held with flock,
// so a program that dies lets go of it.
#include <string>

class DiscLock {
public:
    DiscLock() = default;
    ~DiscLock();
    DiscLock(const DiscLock&) = delete;
    DiscLock& operator=(const DiscLock&) = delete;

    // Takes the lock of the disc `identity`, letting go of one held before.
    // Why it cannot be had (another rip of the disc runs), or empty. A disc
    // without an identity, or a folder that cannot be made, locks nothing.
    std::string Take(const std::string& identity);
    void Release();

private:
    int fd = -1;
};

namespace rip_text {
inline constexpr char kDiscBeingRipped[] = "this disc is being ripped by another Tarvok DVD Ripper now (the window or tarvok-rip watch)";
}  // namespace rip_text
