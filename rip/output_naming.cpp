#include "rip/output_naming.h"

#include "rip/containers.h"
#include "rip/disc_location.h"
#include "rip/output_file.h"

#include <cstdio>

std::string SafeFileName(const std::string& label)
{
    std::string name = label;
    for (char& c : name)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '_';
    if (!name.empty() && name[0] == '.') name[0] = '_';
    return name;
}

std::string BuildOutputPath(const std::string& videoTsPath, const std::string& outputFolder, int itemNumber,
                            RipSettings& settings, const std::vector<Volume>& volumes,
                            const std::optional<DiscSelection>& selection, const std::string& discLabel)
{
    std::string base = SafeFileName(DiscLabel(videoTsPath, volumes, discLabel));
    if (base.empty()) {
        char name[32];
        std::snprintf(name, sizeof name, "dvdRip_Movie%d", itemNumber);
        base = name;
    }
    const std::string extension = GetContainerExtension(settings);
    // A part of the disc says so in its name, so that it never overwrites the whole disc's file.
    const std::string part = selection ? "_" + SelectionLabel(*selection) : std::string();
    // A label longer than the file system allows for a name is shortened.
    return outputFolder + "/" + FitFileName(outputFolder, base, part + extension) + part + extension;
}
