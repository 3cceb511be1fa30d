#pragma once
// Independent readers of a disc: libdvdread (through a small helper program)
// and lsdvd. What they read is what the program's own reader must agree with.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct ReferenceTitle {
    int vts = 0, pgc = 0, chapters = 0;
    double seconds = 0;
    std::vector<std::pair<uint32_t, uint32_t>> cellSectors;
    std::vector<double> cellSeconds;
};

// The titles of a disc as libdvdread reads them.
std::vector<ReferenceTitle> DvdreadTitles(const std::string& disc);

struct LsdvdTrack {
    double length = 0;
    int vts = 0, ttn = 0, chapters = 0, cells = 0;
    std::vector<double> chapterSeconds;
    std::vector<std::string> audioLanguages;
    std::vector<std::string> subtitleLanguages, subtitleKinds;  // kinds as lsdvd words them: "Normal", "Large"
};

// The titles of a disc as lsdvd prints them.
std::vector<LsdvdTrack> LsdvdTracks(const std::string& disc);
