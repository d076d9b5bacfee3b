// The reader interface every file system implements.
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/Status.h"

namespace lc {

class File;
class FileReader;
class Volume;

class FileSystemBase {
public:
    explicit FileSystemBase(Volume* volume) : m_volume(volume) {}
    virtual ~FileSystemBase() = default;
    FileSystemBase(const FileSystemBase&) = delete;
    FileSystemBase& operator=(const FileSystemBase&) = delete;

    virtual const char* RuntimeClassName() const { return "FileSystemBase"; }

    // Reports every entry of the whole tree to the volume.
    virtual Status ReadDirectoryTree() = 0;
    // Writes size bytes of the file whose data starts at first (FAT: first cluster; NTFS: MFT
    // record number) to output, reporting progress to the volume.
    virtual Status CopyFileData(uint64_t first, File& output, uint64_t size) = 0;
    virtual Status ParseBootSector(std::span<const uint8_t> bootSector) = 0;
    // Random access to size bytes of the file whose data starts at first (as for CopyFileData),
    // mapped to its extents now: the same damage CopyFileData refuses is refused here. Not
    // thread-safe; reading through the reader is (see FileReader).
    virtual Result<std::unique_ptr<FileReader>> OpenReader(uint64_t first, uint64_t size);

    uint8_t SectorsPerCluster() const { return m_sectorsPerCluster; }
    uint16_t BytesPerSector() const { return m_bytesPerSector; }
    uint64_t SectorCount() const { return m_sectorCount; }

protected:
    Volume* m_volume;  // not owned
    uint8_t m_sectorsPerCluster = 0;
    uint16_t m_bytesPerSector = 0;
    uint64_t m_sectorCount = 0;
};

}  // namespace lc
