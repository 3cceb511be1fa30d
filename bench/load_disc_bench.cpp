// Load time of a disc folder with many title sets: copies one title set's
// IFO file (with a one-sector VOB) 99 times beside the disc's manager file
// and times the whole load sequence.
//
//   load_disc_bench DISC_FOLDER [RUNS]
#include "dvd/dvd_source.h"
#include "platform/volume_table.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

class NoVolumes : public IVolumeTable {
public:
    std::vector<Volume> List() const override { return {}; }
};

}  // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: load_disc_bench DISC_FOLDER [RUNS]\n");
        return 2;
    }
    const fs::path source = fs::path(argv[1]) / "VIDEO_TS";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 20;
    const fs::path folder = fs::temp_directory_path() / "tarvok-99-title-sets" / "VIDEO_TS";
    fs::remove_all(folder.parent_path());
    fs::create_directories(folder);
    fs::copy_file(source / "VIDEO_TS.IFO", folder / "VIDEO_TS.IFO");
    for (int number = 1; number <= 99; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", number);
        fs::copy_file(source / "VTS_01_0.IFO", folder / name);
        std::snprintf(name, sizeof name, "VTS_%02d_1.VOB", number);
        std::ofstream(folder / name) << std::string(2048, '\0');
    }

    NoVolumes volumes;
    DvdSource disc(volumes);
    std::vector<double> milliseconds;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        disc.Load(folder);
        milliseconds.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(milliseconds.begin(), milliseconds.end());
    std::size_t chains = 0;
    for (const auto& set : disc.TitleSets()) chains += set->pgcEntries.size();
    std::printf("title sets loaded: %zu (of 99 on disc; numbers 1 to 98 are scanned), program chains: %zu\n",
                disc.TitleSets().size(), chains);
    std::printf("load time over %d runs: median %.2f ms, best %.2f ms, worst %.2f ms\n", runs,
                milliseconds[milliseconds.size() / 2], milliseconds.front(), milliseconds.back());
    fs::remove_all(folder.parent_path());
    return 0;
}
