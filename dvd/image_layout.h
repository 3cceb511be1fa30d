#pragma once
// What a disc image's first sectors say it is, for images in which no
// VIDEO_TS folder could be found: DVD-Video needs a UDF file system.
#include <string>

// What the image is, as "an ISO 9660 image without the UDF file system a
// DVD-Video disc needs" or "a UDF image whose anchor (sector 256) is
// damaged: …"; empty when it is neither (or cannot be read).
std::string ImageWithoutUdf(const std::string& path);
