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

bool OnOpticalDrive(const Volume& volume)
{
    return volume.optical || volume.device.starts_with("/dev/sr");
}

// Optical drives first, by device name; then the others by root.
std::vector<Volume> ScanOrder(std::vector<Volume> volumes)
{
    std::stable_sort(volumes.begin(), volumes.end(), [](const Volume& a, const Volume& b) {
        if (OnOpticalDrive(a) != OnOpticalDrive(b)) return OnOpticalDrive(a);
        return OnOpticalDrive(a) ? a.device < b.device : a.root < b.root;
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

namespace {

void SetFolder(LoadedDisc& disc, const std::string& path, const std::vector<Volume>& volumes)
{
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    const bool isRoot = std::any_of(volumes.begin(), volumes.end(), [&](const Volume& v) {
        std::string root = v.root;
        while (root.size() > 1 && root.back() == '/') root.pop_back();
        return root == folder;
    });
    disc.videoTsPath = isRoot ? FolderListing(folder).PathOf("VIDEO_TS").string() : folder;
    // An image or a drive is read through its own file system; anything else as a folder.
    if (IsDiscImageOrDrive(disc.videoTsPath)) {
        auto image = UdfDiscFiles::Open(disc.videoTsPath);
        for (const std::string& note : image ? image->Notes() : std::vector<std::string>{}) disc.messages.Append(note);
        disc.files = std::move(image);
    }
    if (!disc.files) disc.files = std::make_unique<FolderDiscFiles>(disc.videoTsPath);
}

void ReadInfo(LoadedDisc& disc)
{
    if (!disc.files) return;
    TitleSet scratch(&disc.messages, &disc.cellBudget);
    CIfoReader reader(disc.messages);
    reader.ReadIfo(*disc.files, ReadableIfo(*disc.files, "video_ts.ifo", disc.messages), scratch);
    disc.discInfo = reader.GetDiscInfo();
}

void ScanSets(LoadedDisc& disc)
{
    disc.titleSets.clear();
    if (!disc.files) return;
    for (int number = 1; number <= 99; ++number) {
        char prefix[16];
        std::snprintf(prefix, sizeof prefix, "vts_%02d_", number);
        if (!disc.files->AnyMatches(prefix, ".vob")) continue;
        auto& titleSet = *disc.titleSets.emplace_back(std::make_unique<TitleSet>(&disc.messages, &disc.cellBudget));
        titleSet.LoadTitleSet(*disc.files, number);
        for (auto& entry : titleSet.pgcEntries)
            for (auto& angle : entry->angles) angle->UpdateStatistics();
    }
}

}  // namespace

void DvdSource::SetSourceFolder(const std::string& path)
{
    disc->files.reset();
    SetFolder(*disc, path, volumes.List());
    videoTsPath = disc->videoTsPath;
}

void DvdSource::ReadDiscInfo()
{
    ReadInfo(*disc);
}

void DvdSource::ScanTitleSets()
{
    ScanSets(*disc);
}

void DvdSource::ClearSource()
{
    disc = std::make_unique<LoadedDisc>();
    currentTitleSet = nullptr;
    currentAngle = nullptr;
    currentChapter = nullptr;
}

std::unique_ptr<LoadedDisc> DvdSource::Read(const std::string& videoTsPath, const std::vector<Volume>& volumes)
{
    auto loaded = std::make_unique<LoadedDisc>();
    SetFolder(*loaded, videoTsPath, volumes);
    ReadInfo(*loaded);
    ScanSets(*loaded);
    return loaded;
}

void DvdSource::Adopt(std::unique_ptr<LoadedDisc> loaded)
{
    ClearSource();
    disc = std::move(loaded);
    videoTsPath = disc->videoTsPath;
}

void DvdSource::Load(const std::string& path)
{
    Adopt(Read(path, volumes.List()));
}
