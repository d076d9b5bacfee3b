// Mounts an arbitrary image as a plain volume, walks the whole tree and copies every file to
// /dev/null: whatever the bytes, this must end with a status, never a crash or a hang.
#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fs/DirInfo.h"
#include "fs/PlainImageVolume.h"
#include "platform/File.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static lc::File sink = [] {
        lc::File f;
        lc::IgnoreStatus(f.OpenFlags("/dev/null", O_WRONLY), "a closed sink fails every write");
        return f;
    }();

    lc::PlainImageVolume volume(std::vector<uint8_t>(data, data + size));
    lc::IgnoreStatus(volume.Open(), "a failed walk still leaves the records read before it");
    lc::FileSystemBase* reader = volume.FileSystem();
    if (!reader || !volume.Root()) return 0;

    std::vector<const lc::DirInfo*> pending{volume.Root()};
    size_t visited = 0;
    while (!pending.empty() && visited <= volume.Tree().RecordCount()) {
        const lc::DirInfo* dir = pending.back();
        pending.pop_back();
        ++visited;
        for (const lc::DirInfo* file = dir->firstFile; file; file = file->nextFile) {
            ++visited;
            lc::IgnoreStatus(reader->CopyFileData(file->firstCluster, sink, file->size),
                             "any status is fine");
        }
        for (const lc::DirInfo* child = dir->firstChild; child; child = child->nextSibling) {
            pending.push_back(child);
        }
    }
    return 0;
}
