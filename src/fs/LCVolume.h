// The part of the volume that recognises the file system and owns its reader.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "fs/FileSystemBase.h"
#include "fs/Volume.h"

namespace lc {

enum class FileSystemKind { kNone, kFat12, kFat16, kFat32, kNtfs };

class LCVolume : public Volume {
public:
    // Reads sector 0, recognises NTFS or FAT12/16/32 and attaches the matching reader.
    // 1: no supported file system; 8: the reader cannot be created; else a sector read error.
    Status Mount() override;

    // What a boot sector holds: the NTFS test first, then the FAT rule by cluster count.
    static FileSystemKind DetectFileSystem(std::span<const uint8_t> bootSector);

    FileSystemBase* FileSystem() const { return m_fileSystem.get(); }

protected:
    void DropFileSystem() { m_fileSystem.reset(); }

    std::unique_ptr<FileSystemBase> m_fileSystem;
};

}  // namespace lc
