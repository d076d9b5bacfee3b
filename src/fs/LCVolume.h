// The part of the volume that recognises the file system, owns its reader, and keeps the
// directory tree the reader reports through the directory sink.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "fs/DirTree.h"
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

    // The directory sink: every entry goes into the tree.
    DirInfo* SetVolumeLabel(std::u16string label) override;
    void AddFile(std::u16string name, uint64_t size, uint32_t modified, uint64_t firstCluster,
                 uint32_t attributes) override;
    void AddDirectory(std::u16string name, uint32_t modified) override;
    void EnterDirectory() override;
    void LeaveDirectory() override;
    void SetLinkTarget(std::u16string target) override;
    void MarkDirectoryDamaged(Status code) override;

    DirInfo* Root() const { return m_tree.Root(); }
    const DirTree& Tree() const { return m_tree; }

protected:
    void DropFileSystem() { m_fileSystem.reset(); }

    std::unique_ptr<FileSystemBase> m_fileSystem;
    DirTree m_tree;
};

}  // namespace lc
