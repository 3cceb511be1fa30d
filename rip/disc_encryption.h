#pragma once
// Discs encrypted with CSS, and whether this machine can decrypt them:
// libdvdread does, with libdvdcss, for a disc read from its drive.
#include <string>

struct DiscEncryption {
    bool encrypted = false;    // the titles' packs are scrambled
    bool decryptable = false;  // libdvdcss is here and the disc can be read from its drive
};

// True when libdvdcss can be loaded.
bool CssLibraryAvailable();

// What the user is told about a disc whose titles stay scrambled.
std::string EncryptedDiscReason();

class IDiscFiles;

// Looks at the first packs of each title set's VOB files as they are
// stored; `readFrom` is what the converter reads (the disc's drive or
// image, or the folder when the drive cannot be read).
DiscEncryption ProbeEncryption(const IDiscFiles& files, const std::string& readFrom);
