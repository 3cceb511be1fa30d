#pragma once
// The discs `tarvok-rip watch` has ripped, kept across runs in
// ripped.jsonl of the state folder: one JSON object a line, with the
// disc's identity, label, the date, the outcome and the file.
#include <string>

struct RippedDisc {
    std::string id, label, date, state, file;
};

class RippedRecord {
public:
    explicit RippedRecord(std::string path) : path(std::move(path)) {}
    // True when a line names `id`; read anew each time, since another run may have added one.
    bool Holds(const std::string& id) const;
    // Adds a line; why it could not, or empty.
    std::string Add(const RippedDisc& disc) const;

private:
    std::string path;
};

// Now, as the record writes dates: 2026-12-08T10:45:19Z.
std::string RecordDate();
