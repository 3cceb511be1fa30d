#pragma once
// A rip's file is written under a hidden name beside its own and takes its
// name only at the end, by a rename: a rip that fails, or is killed, never
// harms a file already there, and nothing is ever written through a link at
// either name. The hidden file is made new and written through the
// descriptor that made it; a failed rip's work is kept as NAME.partial.EXT.
#include <cstdint>
#include <functional>
#include <string>

// What a rip does about a file already at its name: replaces it (the user
// was asked), or takes the next free name, "NAME (2).EXT", and never
// replaces anything, not even a file that appears while it writes.
enum class AtName { Replace, NextFree };

class SafeOutput {
public:
    // For the file at `path`; Claim before anything is written.
    explicit SafeOutput(std::string path, AtName atName = AtName::Replace);
    ~SafeOutput();
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    // Makes the hidden file new for this rip. What is at its name already
    // (what a killed rip left, or a link or file planted there) is taken
    // away, never written through. Why it cannot (another rip writes that
    // file now, the folder refuses), or empty. With NextFree, a name taken
    // by a file, its partial file or a rip running now is passed for the
    // next free one.
    std::string Claim();
    // Where the converter writes: ".NAME.EXT.tarvok" beside the file.
    const std::string& WritingPath() const { return writing; }
    // The file's name: what it was made for, or the free name taken instead.
    const std::string& FinalPath() const { return path; }
    // The hidden file's descriptor, the one way to write it; -1 before a claim.
    int Descriptor() const { return fd; }

    // Bytes written under the hidden name so far.
    uint64_t WrittenBytes() const;
    // The rip ended, to its end or stopped: the file takes its name,
    // replacing what was there (with NextFree: the next free name, should
    // one have appeared meanwhile). Why it could not, or empty.
    std::string Commit();
    // The rip failed: what it wrote becomes NAME.partial.EXT (replacing an
    // older one) and that path is returned; empty when it wrote nothing.
    std::string KeepPartial();

    // `text` (a converter's failure) naming the file by its own name, not the hidden one.
    std::string Named(std::string text) const;

    // NAME.partial.EXT for `path`.
    static std::string PartialPath(const std::string& path);
    // "NAME (n).EXT" for `path`; `path` itself for 1.
    static std::string NumberedPath(const std::string& path, int number);

private:
    // The hidden name still holds this rip's file, not one put in its place.
    bool StillOurs() const;
    void Release();
    // The first numbered name after the current one that nothing takes.
    std::string NextFreeName();
    // Moves the hidden file to `nameFor` the file's name, as the mode says
    // (with NextFree, to the next free name if that one was taken meanwhile); 0 or the errno.
    int PlaceAs(const std::function<std::string(const std::string&)>& nameFor);

    const std::string base;  // the name asked for, which free names number
    const AtName atName;
    int number = 1;
    std::string path;
    std::string writing;
    int fd = -1;  // the hidden file, locked while this rip owns it
};
