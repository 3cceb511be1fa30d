#pragma once
// A rip's file is written under a hidden name beside its own and takes its
// name only at the end, by a rename: a rip that fails, or is killed, never
// harms a file already there, and nothing is ever written through a link at
// either name. The hidden file is made new and written through the
// descriptor that made it; a failed rip's work is kept as NAME.partial.EXT.
#include <cstdint>
#include <string>

class SafeOutput {
public:
    // For the file at `path`; Claim before anything is written.
    explicit SafeOutput(std::string path);
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Makes the hidden file new for this rip. What is at its name already
    // (what a killed rip left, or a link or file planted there) is taken
    // away, never written through. Why it cannot (another rip writes that
    // file now, the folder refuses), or empty.
    std::string Claim();
    // Where the converter writes: ".NAME.EXT.tarvok" beside the file.
    const std::string& WritingPath() const { return writing; }
    const std::string& FinalPath() const { return path; }
    // The hidden file's descriptor, the one way to write it; -1 before a claim.
    int Descriptor() const { return fd; }

    // Bytes written under the hidden name so far.
    uint64_t WrittenBytes() const;
    // The rip ended, to its end or stopped: the file takes its name,
    // replacing what was there. Why it could not, or empty.
    std::string Commit();
    // The rip failed: what it wrote becomes NAME.partial.EXT (replacing an
    // older one) and that path is returned; empty when it wrote nothing.
    std::string KeepPartial();

    // `text` (a converter's failure) naming the file by its own name, not the hidden one.
    std::string Named(std::string text) const;

    // NAME.partial.EXT for `path`.
    static std::string PartialPath(const std::string& path);

private:
    // The hidden name still holds this rip's file, not one put in its place.
    bool StillOurs() const;
    void Release();

    const std::string path;
    const std::string writing;
    int fd = -1;  // the hidden file, locked while this rip owns it
};
