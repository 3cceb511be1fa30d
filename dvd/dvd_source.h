#pragma once
// The source of a rip: finds a video DVD among the mounted volumes (or takes
// a VIDEO_TS path) and holds the loaded disc with the browsing selection.
#include "dvd/disc_files.h"
#include "dvd/ifo_reader.h"
#include "dvd/title_model.h"
#include "platform/volume_table.h"

#include <memory>
#include <string>
#include <vector>

// What loading a disc reads: its files, information and title sets, with
// what the reader could not make sense of. Read apart from any source (on
// a thread of its own if need be) and then taken over whole; it stays
// where it was made, since its title sets point into it.
struct LoadedDisc {
    std::string videoTsPath;
    std::unique_ptr<IDiscFiles> files;
    std::unique_ptr<DiscInfo> discInfo;
    std::vector<std::unique_ptr<TitleSet>> titleSets;
    MessageList messages;
    CellBudget cellBudget;
};

class DvdSource {
public:
    explicit DvdSource(const IVolumeTable& volumes);
    ~DvdSource();

    // The load sequence every front end runs (locate, read, scan) for
    // `videoTsPath`, given the mounted volumes: it touches no source.
    static std::unique_ptr<LoadedDisc> Read(const std::string& videoTsPath, const std::vector<Volume>& volumes);
    // Forgets the disc and the selection and takes `loaded` in their place.
    void Adopt(std::unique_ptr<LoadedDisc> loaded);

    // Finds a video DVD on the volume `drive` names (block device or root),
    // or on any volume when it is empty. Sets the VIDEO_TS path on success.
    bool FindDisc(const std::string& drive);
    void SetSourceFolder(const std::string& path);
    void ReadDiscInfo();
    void ScanTitleSets();
    // Forgets the disc, its messages and the selection.
    void ClearSource();
    // The load sequence every front end runs: clear, locate, read, scan.
    void Load(const std::string& videoTsPath);

    std::string GetVideoTsPath() const { return videoTsPath; }
    // The disc's files (a folder, or an image or drive); none before a source is set.
    const IDiscFiles* Files() const { return disc->files.get(); }
    TitleSet* GetCurrentTitleSet() const { return currentTitleSet; }
    const DiscInfo* GetDiscInfo() const { return disc->discInfo.get(); }
    const std::vector<std::unique_ptr<TitleSet>>& TitleSets() const { return disc->titleSets; }
    const MessageList& Messages() const { return disc->messages; }
    const IVolumeTable& Volumes() const { return volumes; }

    // The browsing selection of the Titles tree and Chapters list.
    TitleSet* currentTitleSet = nullptr;
    AngleInfo* currentAngle = nullptr;
    ChapterInfo* currentChapter = nullptr;

private:
    // The VIDEO_TS path of a video DVD on `volume`, if it holds one.
    std::optional<std::string> VideoTsOn(const Volume& volume) const;

    std::unique_ptr<LoadedDisc> disc = std::make_unique<LoadedDisc>();
    std::string videoTsPath;  // the path set, kept when the disc is forgotten
    const IVolumeTable& volumes;
};
