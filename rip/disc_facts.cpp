#include "rip/disc_facts.h"

#include "read/disc_encryption.h"
#include "rip/disc_location.h"

#include <sys/stat.h>

DiscEncryption EncryptionOf(const DvdSource& source)
{
    DiscEncryption result;
    if (!source.Files()) return result;
    result.encrypted = TitlesScrambled(*source.Files());
    // libdvdcss decrypts what it reads from a drive (or an image), never a folder of files.
    const std::string readFrom = DiscReadPath(source.GetVideoTsPath(), source.Volumes().List());
    struct stat status {};
    result.decryptable = stat(readFrom.c_str(), &status) == 0 && !S_ISDIR(status.st_mode) && CssLibraryAvailable();
    return result;
}
