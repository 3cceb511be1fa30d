#pragma once
// A file the user names in the Save As dialog says its container and
// codecs by its extension: the job applies it to the item's settings, and
// again on each retry, as the window does to its own.
#include "settings/rip_settings.h"

#include <string>

// An extension chosen in the Save As dialog (without its dot, any case)
// sets the mux and both codecs; others leave the settings as they are.
void ApplySaveAsExtension(RipSettings& settings, const std::string& extension);
// The same for the file chosen in the Save As dialog, by its extension.
void ApplySaveAsFile(RipSettings& settings, const std::string& path);
