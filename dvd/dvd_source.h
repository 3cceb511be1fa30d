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

class DvdSource {
public:
    explicit DvdSource(const IVolumeTable& volumes);
    ~DvdSource();

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
    const IDiscFiles* Files() const { return files.get(); }
    TitleSet* GetCurrentTitleSet() const { return currentTitleSet; }
    const DiscInfo* GetDiscInfo() const { return discInfo.get(); }
    const std::vector<std::unique_ptr<TitleSet>>& TitleSets() const { return titleSets; }
    const MessageList& Messages() const { return messages; }
    const IVolumeTable& Volumes() const { return volumes; }

    // The browsing selection of the Titles tree and Chapters list.
    TitleSet* currentTitleSet = nullptr;
    AngleInfo* currentAngle = nullptr;
    ChapterInfo* currentChapter = nullptr;

private:
    // The VIDEO_TS path of a video DVD on `volume`, if it holds one.
    std::optional<std::string> VideoTsOn(const Volume& volume) const;

    std::unique_ptr<IDiscFiles> files;
    std::unique_ptr<DiscInfo> discInfo;
    std::vector<std::unique_ptr<TitleSet>> titleSets;
    std::string videoTsPath;
    MessageList messages;
    CellBudget cellBudget;
    const IVolumeTable& volumes;
};
