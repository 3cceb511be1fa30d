#pragma once
// The files of a disc image or a drive, read through libdvdread's UDF layer:
// no mount is needed. libdvdread only finds and reads the files here; their
// content is read by the program's own reader, which trusts none of it.
#include "dvd/disc_files.h"

#include <map>

struct dvd_reader_s;

// libdvdread's reader of the disc at `path` (a folder, an image or a drive);
// its notes go to stderr only when TARVOK_VERBOSE is set (they would
// land on stdout, with a banner about encrypted discs). Null when it cannot.
dvd_reader_s* OpenDvdReader(const std::string& path);

class UdfDiscFiles : public IDiscFiles {
public:
    // Null, with `why`, when `path` cannot be read as a disc or holds no VIDEO_TS.
    static std::unique_ptr<UdfDiscFiles> Open(const std::string& path, std::string* why = nullptr);
    ~UdfDiscFiles() override;
    UdfDiscFiles(const UdfDiscFiles&) = delete;
    UdfDiscFiles& operator=(const UdfDiscFiles&) = delete;

    std::string Where() const override { return path; }
    std::string RealName(const std::string& name) const override;
    std::optional<uint64_t> Size(const std::string& name) const override;
    std::optional<std::vector<uint8_t>> Read(const std::string& name, uint64_t offset, std::size_t length) const override;
    bool AnyMatches(const std::string& prefix, const std::string& suffix) const override;
    // The UDF volume identifier (the ISO 9660 one on a disc without).
    std::string VolumeLabel() const override { return label; }
    // What is wrong with the image though it opens (a file past its end).
    const std::vector<std::string>& Notes() const { return notes; }

private:
    // Where a file of the VIDEO_TS folder is, as libdvdread names it.
    struct Entry {
        std::string name;       // as a disc holds it: VTS_01_1.VOB
        int titleSet = 0;       // 0: the video manager
        int domain = 0;         // libdvdread's dvd_read_domain_t
        uint64_t startByte = 0;  // in the domain's file (title VOBs are one file to libdvdread)
        uint64_t size = 0;
    };

    UdfDiscFiles() = default;
    const Entry* Find(const std::string& name) const;
    // Some IFO or BUP file reads as a DVD's information does.
    bool AnyInformationReadable() const;
    void NoteFilesPastTheEnd();

    dvd_reader_s* dvd = nullptr;
    std::string path;
    std::string label;
    std::map<std::string, Entry> entries;  // by lower-case name
    std::vector<std::string> notes;
};
