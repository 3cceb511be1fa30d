#include "cli/disc_report.h"

#include "dvd/regions.h"
#include "dvd/disc_selection.h"

#include <iomanip>

namespace {

// The numbers of the streams a program chain offers.
template <typename Stream>
std::vector<int> Numbers(const std::vector<Stream>& streams)
{
    std::vector<int> numbers;
    for (const Stream& stream : streams) numbers.push_back(stream.index);
    return numbers;
}

std::string Listed(const std::vector<int>& numbers)
{
    std::string text;
    for (int number : numbers) text += (text.empty() ? "" : ", ") + std::to_string(number);
    return text.empty() ? "none" : text;
}

}  // namespace

void PrintDiscTree(std::ostream& out, const DvdSource& source, const DiscEncryption& encryption, double minSeconds)
{
    const auto mainFeature = MainFeature(source, minSeconds);
    out << "VIDEO_TS: " << source.GetVideoTsPath() << "\n";
    if (encryption.encrypted)
        out << "Encrypted (CSS): " << (encryption.decryptable ? "yes, and libdvdcss decrypts it here" : "yes, and it cannot be decrypted here") << "\n";
    if (const DiscInfo* disc = source.GetDiscInfo())
        out << "Regions: " << FormatRegions(disc->regionMask) << "   Volume: " << disc->volumeNumber << "/"
            << disc->volumeCount << "\n";
    else
        out << "Regions: unknown   Volume: unknown (no video manager file)\n";
    out << std::fixed << std::setprecision(3);
    for (const auto& titleSet : source.TitleSets()) {
        const TitleSet& t = *titleSet;
        out << t.GetTitleLabel() << "  ";
        if (t.videoCoding.empty()) {
            out << "video attributes unreadable";  // never guessed
        } else {
            out << t.videoCoding << ", " << t.tvSystem << ", " << t.aspectRatio << ", " << t.resolution << ", pan-scan "
                << t.panScan << ", letterbox " << t.letterbox;
            if (!t.filmMode.empty()) out << ", " << t.filmMode;
        }
        out << "\n";
        for (const AudioStream& audio : t.audioStreams)
            out << "  Audio " << audio.index << ": " << (audio.language.empty() ? "no language" : audio.language) << ", "
                << (audio.coding.empty() ? "unknown coding" : audio.coding) << ", " << audio.channels << " channels, "
                << audio.sampleRate << " Hz\n";
        for (const SubpictureStream& subtitles : t.subpictureStreams)
            out << "  Subtitles " << subtitles.index << ": " << (subtitles.language.empty() ? "no language" : subtitles.language)
                << (subtitles.kind.empty() ? "" : ", " + subtitles.kind) << "\n";
        for (const auto& entry : t.pgcEntries) {
            out << "  " << entry->Label() << "  (audio streams " << Listed(Numbers(OfferedAudio(t, *entry))) << "; subtitle streams "
                << Listed(Numbers(OfferedSubpictures(t, *entry))) << ")\n";
            for (const auto& angle : entry->angles) {
                const bool main = mainFeature && mainFeature->selection.titleSet == t.number &&
                                  mainFeature->selection.programChain == entry->number && mainFeature->selection.angle == angle->angleIndex + 1;
                out << "    " << angle->Label() << "  " << angle->seconds << " s, " << angle->sectors << " sectors"
                    << (!main ? "" : mainFeature->byNavigation ? "  (main feature, as the disc plays it)" : "  (main feature: the longest)")
                    << "\n";
                for (const auto& chapter : angle->chapters) {
                    out << "      " << chapter->Label() << "\n";
                    for (const auto& cell : chapter->cells)
                        out << "        cell " << cell->vobId << "/" << cell->cellId << "  sectors " << cell->firstSector
                            << "-" << cell->lastSector << " (" << cell->sectorCount << ")  " << cell->seconds << " s"
                            << (cell->selected ? "" : "  (not selected)") << "\n";
                }
            }
        }
    }
    if (!source.Messages().empty()) {
        out << "Messages:\n";
        for (const auto& message : source.Messages()) out << "  " << message << "\n";
    }
}

nlohmann::json DiscToJson(const DvdSource& source, const DiscEncryption& encryption, double minSeconds)
{
    using nlohmann::json;
    json result;
    result["videoTsPath"] = source.GetVideoTsPath();
    result["encrypted"] = encryption.encrypted;
    result["decryptable"] = encryption.decryptable;
    if (const auto main = MainFeature(source, minSeconds))
        result["mainFeature"] = {{"titleSet", main->selection.titleSet},
                                 {"programChain", main->selection.programChain},
                                 {"angle", main->selection.angle},
                                 {"foundBy", main->byNavigation ? "navigation" : "longest"}};
    else
        result["mainFeature"] = nullptr;
    if (const DiscInfo* disc = source.GetDiscInfo())
        result["disc"] = {{"regionMask", disc->regionMask},
                          {"regions", FormatRegions(disc->regionMask)},
                          {"volumeNumber", disc->volumeNumber},
                          {"volumeCount", disc->volumeCount}};
    else
        result["disc"] = nullptr;

    json titleSets = json::array();
    for (const auto& titleSet : source.TitleSets()) {
        const TitleSet& t = *titleSet;
        json chains = json::array();
        for (const auto& entry : t.pgcEntries) {
            json angles = json::array();
            for (const auto& angle : entry->angles) {
                json chapters = json::array();
                for (const auto& chapter : angle->chapters) {
                    json cells = json::array();
                    for (const auto& cell : chapter->cells)
                        cells.push_back({{"vobId", cell->vobId},
                                         {"cellId", cell->cellId},
                                         {"firstSector", cell->firstSector},
                                         {"lastSector", cell->lastSector},
                                         {"sectorCount", cell->sectorCount},
                                         {"seconds", cell->seconds},
                                         {"selected", cell->selected != 0}});
                    chapters.push_back({{"index", chapter->chapterIndex}, {"label", chapter->Label()}, {"cells", cells}});
                }
                angles.push_back({{"index", angle->angleIndex},
                                  {"label", angle->Label()},
                                  {"seconds", angle->seconds},
                                  {"sectors", angle->sectors},
                                  {"chapters", chapters}});
            }
            chains.push_back({{"number", entry->number},
                              {"audioStreams", Numbers(OfferedAudio(t, *entry))},
                              {"subtitleStreams", Numbers(OfferedSubpictures(t, *entry))},
                              {"angles", angles}});
        }
        json audio = json::array();
        for (const AudioStream& stream : t.audioStreams)
            audio.push_back({{"index", stream.index},
                             {"language", stream.language},
                             {"coding", stream.coding},
                             {"channels", stream.channels},
                             {"sampleRate", stream.sampleRate}});
        json subtitles = json::array();
        for (const SubpictureStream& stream : t.subpictureStreams)
            subtitles.push_back({{"index", stream.index}, {"language", stream.language}, {"kind", stream.kind}});
        titleSets.push_back({{"number", t.number},
                             {"label", t.GetTitleLabel()},
                             {"totalBytes", t.totalBytes},
                             {"video",
                              {{"coding", t.videoCoding},
                               {"tvSystem", t.tvSystem},
                               {"aspect", t.aspectRatio},
                               {"panScan", t.panScan},
                               {"resolution", t.resolution},
                               {"letterbox", t.letterbox},
                               {"filmMode", t.filmMode}}},
                             {"audio", audio},
                             {"subtitles", subtitles},
                             {"programChains", chains}});
    }
    result["titleSets"] = titleSets;
    result["messages"] = json(std::vector<std::string>(source.Messages().begin(), source.Messages().end()));
    return result;
}
