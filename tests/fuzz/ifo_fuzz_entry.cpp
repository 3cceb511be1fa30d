#include "tests/fuzz/ifo_fuzz_entry.h"

#include "dvd/disc_selection.h"
#include "dvd/dvd_source.h"
#include "platform/volume_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kImageIfoBytes = 16384;
// The title set's one VOB file, in the folder and in the image alike.
const std::vector<uint8_t> kVob(2048, 0);

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
        WriteAll(path / "VTS_01_1.VOB", kVob.data(), kVob.size());
        return path;
    }();
    return folder;
}

// Loads the disc at `path` and walks everything that was built, as the views do.
std::size_t LoadAndWalk(const std::string& path)
{
    NoVolumes volumes;
    DvdSource source(volumes);
    source.Load(path);
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
    // And its navigation walked, as info does.
    (void)MainFeature(source, 0);
    return source.Messages().size();
}

// A UDF image (made once with genisoimage) of a disc whose two IFO files are
// kImageIfoBytes of a marker each; an input is written over both.
struct IfoImage {
    std::string path;
    std::streamoff manager = 0, titleSet = 0;
};

const IfoImage& Image()
{
    static const IfoImage image = [] {
        IfoImage made;
        const fs::path folder = DiscFolder() / "image-source";
        fs::create_directories(folder / "VIDEO_TS");
        for (const auto& [name, mark] : {std::pair{"VIDEO_TS.IFO", 'M'}, {"VTS_01_0.IFO", 'T'}}) {
            const std::string bytes(kImageIfoBytes, mark);
            WriteAll(folder / "VIDEO_TS" / name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
        }
        WriteAll(folder / "VIDEO_TS" / "VTS_01_1.VOB", kVob.data(), kVob.size());
        made.path = (DiscFolder() / "disc.iso").string();
        // Not -dvd-video: that wants real IFO files.
        const std::string command = "genisoimage -quiet -udf -o '" + made.path + "' '" + folder.string() + "'";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "cannot make the fuzzer's disc image with: %s\n", command.c_str());
            std::abort();
        }
        std::ifstream in(made.path, std::ios::binary);
        const std::string all((std::istreambuf_iterator<char>(in)), {});
        const std::size_t manager = all.find(std::string(kImageIfoBytes, 'M')), titleSet = all.find(std::string(kImageIfoBytes, 'T'));
        if (manager == std::string::npos || titleSet == std::string::npos) std::abort();  // genisoimage stored them otherwise
        made.manager = static_cast<std::streamoff>(manager);
        made.titleSet = static_cast<std::streamoff>(titleSet);
        return made;
    }();
    return image;
}

}  // namespace

std::size_t LoadIfoBytes(const uint8_t* data, std::size_t size)
{
    const fs::path& folder = DiscFolder();
    WriteAll(folder / "VIDEO_TS.IFO", data, size);
    WriteAll(folder / "VTS_01_0.IFO", data, size);
    return LoadAndWalk(folder);
}

std::size_t LoadIfoImageBytes(const uint8_t* data, std::size_t size)
{
    const IfoImage& image = Image();
    std::vector<char> window(kImageIfoBytes, 0);
    std::copy_n(data, std::min(size, kImageIfoBytes), window.begin());
    {
        std::fstream file(image.path, std::ios::in | std::ios::out | std::ios::binary);
        for (std::streamoff at : {image.manager, image.titleSet}) file.seekp(at).write(window.data(), window.size());
    }
    return LoadAndWalk(image.path);
}
