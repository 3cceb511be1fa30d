#include "dvd/dvd_source.h"

#include "dvd/disc_files.h"
#include "dvd/udf_disc_files.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

bool IsOpticalDrive(const Volume& volume)
{
    return volume.device.starts_with("/dev/sr");
}

// Optical drives first, by device name; then the others by root.
std::vector<Volume> ScanOrder(std::vector<Volume> volumes)
{
    std::stable_sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        if (IsOpticalDrive(a) != IsOpticalDrive(b)) return IsOpticalDrive(a);
        return IsOpticalDrive(a) ? a.device < b.device : a.root < b.root;
    });
    return volumes;
}

}  // namespace

DvdSource::DvdSource(const IVolumeTable& volumes) : volumes(volumes)
{
}

DvdSource::~DvdSource()
{
    ClearSource();
}

std::optional<std::string> DvdSource::VideoTsOn(const Volume& volume) const
{
    if (volume.fsType != "UDF") return std::nullopt;
    auto folder = FolderListing(volume.root).Find("VIDEO_TS");
    std::error_code error;
    if (!folder || !fs::is_directory(*folder, error)) return std::nullopt;
    if (!FolderListing(*folder).AnyMatches("", ".ifo")) return std::nullopt;
    return folder->string();
}

bool DvdSource::FindDisc(const std::string& drive)
{
    const std::vector<Volume> all = volumes.List();
    std::optional<std::string> found;
    if (!drive.empty()) {
        if (auto volume = VolumeNamed(all, drive)) found = VideoTsOn(*volume);
    } else {
        for (const Volume& volume : ScanOrder(all)) {
            if (volume.root == "/") continue;
            if ((found = VideoTsOn(volume))) break;
        }
    }
    if (!found) return false;
    videoTsPath = *found;
    return true;
}

void DvdSource::SetSourceFolder(const std::string& path)
{
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const auto all = volumes.List();
    const bool isRoot = std::any_of(all.begin(), all.end(), [&](const Volume& v) {
        std::string root = v.root;
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        return root == folder;
    });
    videoTsPath = isRoot ? FolderListing(folder).PathOf("VIDEO_TS").string() : folder;
    // An image or a drive is read through its own file system; anything else as a folder.
    if (IsDiscImageOrDrive(videoTsPath)) {
        auto image = UdfDiscFiles::Open(videoTsPath);
        for (const std::string& note : image ? image->Notes() : std::vector<std::string>{}) messages.Append(note);
        files = std::move(image);
    }
    if (!files) files = std::make_unique<FolderDiscFiles>(videoTsPath);
}

void DvdSource::ReadDiscInfo()
{
    if (!files) return;
    TitleSet scratch(&messages, &cellBudget);
    CIfoReader reader(messages);
    reader.ReadIfo(*files, ReadableIfo(*files, "video_ts.ifo", messages), scratch);
    discInfo = reader.GetDiscInfo();
}

void DvdSource::ScanTitleSets()
{
    titleSets.clear();
    if (!files) return;
    for (int number = 1; number <= 99; ++number) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "vts_%02d_", number);
        if (!files->AnyMatches(prefix, ".vob")) continue;
        auto& titleSet = *titleSets.emplace_back(std::make_unique<TitleSet>(&messages, &cellBudget));
        titleSet.LoadTitleSet(*files, number);
        for (auto& entry : titleSet.pgcEntries)
            for (auto& angle : entry->angles) angle->UpdateStatistics();
    }
}

void DvdSource::ClearSource()
{
    messages.clear();
    titleSets.clear();
    discInfo.reset();
    files.reset();
    cellBudget = CellBudget();
    currentTitleSet = nullptr;
    currentAngle = nullptr;
    currentChapter = nullptr;
}

void DvdSource::Load(const std::string& path)
{
    ClearSource();
    SetSourceFolder(path);
    ReadDiscInfo();
    ScanTitleSets();
}
