// Random access to one file of the open volume: the file is mapped to its extents once, then any
// byte range is read, decrypting only the sectors it covers.
//
// Opening a reader walks the file system's metadata and is not thread-safe (callers open one at
// a time). Reading is: several threads may read through the same or different readers at once,
// as long as the volume's ReadSectors may be called from several threads (positioned reads,
// cipher state per call) and the reader that made them is alive.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "fs/DirInfo.h"
#include "platform/Status.h"

namespace lc {

class FileSystemBase;
class Volume;

class FileReader {
public:
    explicit FileReader(uint64_t size) : m_size(size) {}
    virtual ~FileReader() = default;
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;

    uint64_t Size() const { return m_size; }

    // Reads up to out.size() bytes at offset; got is less only at the end of the file (0 at or
    // past it). On a failure nothing in out is to be used: a damaged file never reads as data.
    Status ReadAt(uint64_t offset, std::span<uint8_t> out, size_t& got);

protected:
    // Reads exactly out.size() bytes at offset, which lie within the file.
    virtual Status ReadRange(uint64_t offset, std::span<uint8_t> out) = 0;

private:
    uint64_t m_size;
};

// A piece of a file: length bytes from fileOffset on, stored from volume byte volumeOffset on,
// or a hole that reads as zeros.
struct FileExtent {
    uint64_t fileOffset = 0;
    uint64_t length = 0;
    uint64_t volumeOffset = 0;
    bool hole = false;
};

// A file laid out in extents that cover it from byte 0 on without gaps; bytes from validSize on
// read as zeros whatever the extents hold.
class ExtentFileReader final : public FileReader {
public:
    // 1392 when the extents leave a gap, overlap or stop short of size.
    static Result<std::unique_ptr<FileReader>> Create(Volume& volume, uint64_t size,
                                                      uint64_t validSize,
                                                      std::vector<FileExtent> extents);

protected:
    Status ReadRange(uint64_t offset, std::span<uint8_t> out) override;

private:
    ExtentFileReader(Volume& volume, uint64_t size, uint64_t validSize,
                     std::vector<FileExtent> extents)
        : FileReader(size),
          m_volume(volume),
          m_validSize(validSize),
          m_extents(std::move(extents)) {}

    Volume& m_volume;
    uint64_t m_validSize;
    std::vector<FileExtent> m_extents;
};

// A file whose bytes are kept in memory (resident NTFS data, empty files).
class MemoryFileReader final : public FileReader {
public:
    explicit MemoryFileReader(std::vector<uint8_t> bytes = {})
        : FileReader(bytes.size()), m_bytes(std::move(bytes)) {}

protected:
    Status ReadRange(uint64_t offset, std::span<uint8_t> out) override;

private:
    std::vector<uint8_t> m_bytes;
};

// Reads volume bytes [offset, offset + out.size()) in as few sector reads as it can, through a
// sector-sized bounce buffer only for the partial sectors at either end.
Status ReadVolumeRange(Volume& volume, uint64_t offset, std::span<uint8_t> out);

// A reader for a file record of the tree. 50 for data that is never read as stored (encrypted),
// 87 for a folder, 6 without a file system, else what the file system's OpenReader gives.
Result<std::unique_ptr<FileReader>> OpenFileReader(FileSystemBase* fileSystem, const DirInfo& file);

}  // namespace lc
