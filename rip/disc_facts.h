#pragma once
// What `info` tells of a loaded disc that only reading its titles finds.
#include "dvd/dvd_source.h"

struct DiscEncryption {
    bool encrypted = false;    // the titles' packs are scrambled
    bool decryptable = false;  // libdvdcss is here and the disc can be read from its drive
};

// Looks at the first packs of each title set; whether they can be decrypted
// depends on what a rip reads (the disc's drive or image, or a folder).
DiscEncryption EncryptionOf(const DvdSource& source);
