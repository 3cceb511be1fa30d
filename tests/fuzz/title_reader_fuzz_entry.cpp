#include "tests/fuzz/title_reader_fuzz_entry.h"

#include "dvd/disc_files.h"
#include "dvd/navigation_walk.h"
#include "read/disc_title_stream.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

void WriteAll(const fs::path& path, const uint8_t* data, std::size_t size)
{
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

// The next piece: a 2-byte length and that many bytes (what is there of them).
std::pair<const uint8_t*, std::size_t> Piece(const uint8_t*& data, std::size_t& size)
{
    std::size_t length = size >= 2 ? std::size_t(data[0]) << 8 | data[1] : 0;
    const std::size_t header = std::min<std::size_t>(size, 2);
    data += header;
    size -= header;
    length = std::min(length, size);
    const uint8_t* piece = data;
    data += length;
    size -= length;
    return {piece, length};
}

// A disc folder of this process's own, in memory-backed storage when there is some.
const fs::path& DiscFolder()
{
    static const fs::path folder = [] {
        fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
        fs::path path = base / ("tarvok-title-fuzz-" + std::to_string(getpid()));
        fs::create_directories(path / "VIDEO_TS");
        return path;
    }();
    return folder;
}

// The input as a disc folder's files.
const fs::path& WriteDisc(const uint8_t* data, std::size_t size)
{
    const fs::path videoTs = DiscFolder() / "VIDEO_TS";
    const auto [manager, managerSize] = Piece(data, size);
    const auto [titleSet, titleSetSize] = Piece(data, size);
    WriteAll(videoTs / "VIDEO_TS.IFO", manager, managerSize);
    WriteAll(videoTs / "VTS_01_0.IFO", titleSet, titleSetSize);
    for (const char* vob : {"VTS_01_1.VOB", "VIDEO_TS.VOB", "VTS_01_0.VOB"}) WriteAll(videoTs / vob, data, size);
    return DiscFolder();
}

}  // namespace

std::size_t WalkNavigationBytes(const uint8_t* data, std::size_t size)
{
    const FolderDiscFiles files(WriteDisc(data, size) / "VIDEO_TS");
    const auto buttons = [&files](int titleSet, uint32_t sector) { return ReadMenuButtons(files, titleSet, sector); };
    return WalkToFirstLongTitle(ReadNavigation(files), buttons, 0) ? 1 : 0;
}

std::size_t ReadTitleBytes(const uint8_t* data, std::size_t size)
{
    WriteDisc(data, size);
    auto stream = DiscTitleStream::Open(DiscFolder());
    if (!stream) return 0;
    std::vector<uint8_t> buffer(65536);
    std::size_t total = 0;
    long got = 0;
    // The stream can never give more than its size; a few reads more catch a reader that would.
    for (std::size_t reads = 0; reads < stream->Size() / buffer.size() + 4 && (got = stream->Read(buffer.data(), buffer.size())) > 0; ++reads)
        total += static_cast<std::size_t>(got);
    return total;
}
