#pragma once
// Discs encrypted with CSS, and whether this machine can decrypt them:
// libdvdread does, with libdvdcss, for a disc read from its drive.
#include <string>

// True when libdvdcss can be loaded.
bool CssLibraryAvailable();

// What the user is told about a disc whose titles stay scrambled.
std::string EncryptedDiscReason();

class IDiscFiles;

// True when the first packs of a title set's VOB files, as they are
// stored, are scrambled.
bool TitlesScrambled(const IDiscFiles& files);
