#include "tests/fuzz/ifo_fuzz_entry.h"

#include "dvd/dvd_source.h"
#include "platform/volume_table.h"

#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

class NoVolumes : public IVolumeTable {
public:
    std::vector<Volume> List() const override { return {}; }
};

void WriteAll(const fs::path& path, const uint8_t* data, std::size_t size)
{
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

// A disc folder of this process's own, in memory-backed storage when there is some.
const fs::path& DiscFolder()
{
    static const fs::path folder = [] {
        fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path path = base / ("tarvok-ifo-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path);
        WriteAll(path / "VTS_01_1.VOB", reinterpret_cast<const uint8_t*>("vob"), 3);
        return path;
    }();
    return folder;
}

}  // namespace

std::size_t LoadIfoBytes(const uint8_t* data, std::size_t size)
{
    const fs::path& folder = DiscFolder();
    WriteAll(folder / "VIDEO_TS.IFO", data, size);
    WriteAll(folder / "VTS_01_0.IFO", data, size);
    NoVolumes volumes;
    DvdSource source(volumes);
    source.Load(folder);
    // Walk everything that was built, as the views do.
    for (const auto& titleSet : source.TitleSets()) {
        (void)titleSet->GetTitleLabel();
        for (const AudioStream& audio : titleSet->audioStreams) (void)audio.language.size();
        for (const auto& entry : titleSet->pgcEntries)
            for (const auto& angle : entry->angles) {
                (void)angle->Label();
                for (const auto& chapter : angle->chapters)
                    for (const auto& cell : chapter->cells) (void)cell->sectorCount;
            }
    }
    return source.Messages().size();
}
