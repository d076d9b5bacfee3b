// libFuzzer target (fuzz_fat and fuzz_ntfs, which differ only in their seeds): an image in memory
// is mounted, its whole tree read and every file copied to a null sink. Any status is fine; a
// crash, a sanitizer report or a hang is not.
#include <fcntl.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fs/DirInfo.h"
#include "fs/FileSystemBase.h"
#include "fs/PlainImageVolume.h"
#include "platform/File.h"

namespace {

// Enough to run through several runs and blocks, small enough to keep runs quick.
constexpr uint64_t kMaxCopy = 1u << 20;
constexpr size_t kMaxFilesCopied = 256;

void CopyAll(lc::FileSystemBase& fs, const lc::DirInfo* dir, lc::File& sink, size_t& copied) {
    for (const lc::DirInfo* file = dir->firstFile; file && copied < kMaxFilesCopied;
         file = file->nextFile, ++copied) {
        // Size 0 asks NTFS for the whole value, which a hostile record can make huge.
        if (file->size == 0) continue;
        lc::IgnoreStatus(fs.CopyFileData(file->firstCluster, sink, std::min(file->size, kMaxCopy)),
                         "any status is fine");
    }
    for (const lc::DirInfo* sub = dir->firstChild; sub; sub = sub->nextSibling)
        CopyAll(fs, sub, sink, copied);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kSector = lc::Volume::kSectorSize;
    if (size < kSector) return 0;
    std::vector<uint8_t> image(data, data + size);
    image.resize((size + kSector - 1) / kSector * kSector);
    lc::PlainImageVolume volume(std::move(image));
    lc::IgnoreStatus(volume.Open(), "a failed walk still leaves the records read before it");
    lc::FileSystemBase* fs = volume.FileSystem();
    if (!fs || !volume.Root()) return 0;
    static lc::File sink = [] {
        lc::File f;
        lc::IgnoreStatus(f.OpenFlags("/dev/null", O_WRONLY), "a closed sink fails every write");
        return f;
    }();
    size_t copied = 0;
    CopyAll(*fs, volume.Root(), sink, copied);
    return 0;
}
