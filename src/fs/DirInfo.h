// One record per directory ('D') or file ('F') of the open volume. The records of a volume live
// in a DirTree arena; the links between them are plain, non-owning pointers.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "platform/Status.h"

namespace lc {

struct DirInfo {
    static constexpr char16_t kDirectory = u'D';
    static constexpr char16_t kFile = u'F';

    char16_t kind = kDirectory;
    std::u16string name;  // for the root: the volume label
    DirInfo* parent = nullptr;
    // FAT date word in the high half, FAT time word (2-second units) in the low half, local time.
    uint32_t modified = 0;

    // Directory records.
    uint16_t depth = 0;
    DirInfo* firstChild = nullptr;
    DirInfo* nextSibling = nullptr;
    DirInfo* firstFile = nullptr;
    void* treeItem = nullptr;  // written by the folder tree view
    // Why the directory's contents could not be read whole (0: read whole). A damaged folder
    // keeps what was read before the damage; the rest of the volume is unaffected.
    Status damage = status::kSuccess;

    // File records.
    uint64_t size = 0;
    uint32_t attributes = 0;    // FAT attribute byte, or NTFS file-attribute flags
    uint32_t firstCluster = 0;  // FAT: first data cluster; NTFS: MFT record number (low 32 bits)
    DirInfo* nextFile = nullptr;
    // Symbolic links, junctions and mount points: the target as stored (NTFS: '\' separators).
    // Empty for everything else.
    std::u16string linkTarget;

    bool IsDirectory() const { return kind == kDirectory; }
    bool IsFile() const { return kind == kFile; }
    bool IsLink() const { return !linkTarget.empty(); }
};

inline constexpr uint32_t kAttrReparsePoint = 0x400;
inline constexpr uint32_t kAttrCompressed = 0x800;
inline constexpr uint32_t kAttrEncrypted = 0x4000;

// The one rule for files whose data is never written out as stored (encrypted ones; compressed
// files are decoded): extraction, View and cat pass over them (the window asks first), and the
// file list marks them.
inline bool IsUnsupportedData(const DirInfo& file) {
    return file.IsFile() && (file.attributes & kAttrEncrypted) != 0;
}

}  // namespace lc
