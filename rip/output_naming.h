#pragma once
// The name of a rip's file: the output folder, the disc's label made safe
// as a file name (or "dvdRip_Movie<item>"), a part's label, and the
// container's extension.
#include "dvd/disc_selection.h"
#include "platform/volume_table.h"
#include "settings/rip_settings.h"

#include <optional>
#include <string>
#include <vector>

// The output folder, the label of the disc's volume or else `discLabel`
// (an image's or a drive's own, from its file system), made safe as a file
// name, or "dvdRip_Movie<item>"; "_" and the selection's label for a part
// of the disc; and the container's extension, found as GetContainerExtension
// finds it, which sets the settings' `mux`.
std::string BuildOutputPath(const std::string& videoTsPath, const std::string& outputFolder, int itemNumber,
                            RipSettings& settings, const std::vector<Volume>& volumes,
                            const std::optional<DiscSelection>& selection = std::nullopt,
                            const std::string& discLabel = {});

// A volume label as a file name: '/' and control characters become '_', and
// so does a leading '.', so that no label leaves the folder or hides the file.
std::string SafeFileName(const std::string& label);
