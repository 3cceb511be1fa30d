#pragma once
// What a disc is known by, whatever drive, folder or image holds it: the
// MD5 of its information files, as libdvdread's DVDDiscID computes it
// (VIDEO_TS.IFO, then VTS_01_0.IFO to VTS_09_0.IFO as far as the disc's
// title sets go, each in whole sectors).
#include "dvd/disc_files.h"

#include <string>

// 32 hex digits; empty when none of those files can be read, or one that exists cannot.
std::string DiscIdentity(const IDiscFiles& files);
