#include "rip/disc_identity.h"

#include <QCryptographicHash>

#include <cstdio>

namespace {

constexpr uint64_t kSector = 2048;
constexpr int kMostFiles = 10;           // VIDEO_TS.IFO and nine title sets, as DVDDiscID takes them
constexpr uint64_t kTitleSetsAt = 0x3E;  // the VMG's count of title sets
constexpr uint64_t kLargestFile = 64 << 20;  // far beyond any real IFO file: one claiming more is no disc's

}  // namespace

std::string DiscIdentity(const IDiscFiles& files)
{
    const auto count = files.Read("VIDEO_TS.IFO", kTitleSetsAt, 2);
    if (!count || count->size() != 2) return {};
    const int titleSets = (*count)[0] << 8 | (*count)[1];
    QCryptographicHash md5(QCryptographicHash::Md5);
    int hashed = 0;
    for (int title = 0; title < kMostFiles && title <= titleSets; ++title) {
        char name[16];
        if (title == 0) std::snprintf(name, sizeof name, "VIDEO_TS.IFO");
        else std::snprintf(name, sizeof name, "VTS_%02d_0.IFO", title);
        const auto size = files.Size(name);
        if (!size) continue;
        const uint64_t whole = *size / kSector * kSector;
        if (whole > kLargestFile) return {};
        const auto bytes = files.Read(name, 0, whole);
        if (!bytes || bytes->size() != whole) return {};
        md5.addData(QByteArrayView(reinterpret_cast<const char*>(bytes->data()), qsizetype(bytes->size())));
        ++hashed;
    }
    return hashed ? md5.result().toHex().toStdString() : std::string();
}
