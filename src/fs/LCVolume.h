// The part of the volume that recognises the file system and owns its reader.
#pragma once

#include <memory>

#include "fs/FileSystemBase.h"
#include "fs/Volume.h"

namespace lc {

class LCVolume : public Volume {
public:
    // Reads sector 0, recognises NTFS or FAT12/16/32 and attaches the matching reader.
    // 1: no supported file system; 8: the reader cannot be created; else a sector read error.
    Status Mount() override;

    FileSystemBase* FileSystem() const { return m_fileSystem.get(); }

protected:
    void DropFileSystem() { m_fileSystem.reset(); }

    std::unique_ptr<FileSystemBase> m_fileSystem;
};

}  // namespace lc
