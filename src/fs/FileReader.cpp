#include "fs/FileReader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "fs/FileSystemBase.h"
#include "fs/Volume.h"

namespace lc {

namespace {

constexpr uint64_t kSector = Volume::kSectorSize;
// Sectors read in one ReadSectors call at most, whatever the caller asks for.
constexpr uint64_t kMaxSectorsPerRead = (16u << 20) / kSector;

}  // namespace

Status FileReader::ReadAt(uint64_t offset, std::span<uint8_t> out, size_t& got) {
    got = 0;
    if (offset >= m_size || out.empty()) return status::kSuccess;
    size_t length = static_cast<size_t>(std::min<uint64_t>(out.size(), m_size - offset));
    LC_TRY(ReadRange(offset, out.first(length)));
    got = length;
    return status::kSuccess;
}

Status ReadVolumeRange(Volume& volume, uint64_t offset, std::span<uint8_t> out) {
    if (out.empty()) return status::kSuccess;
    if (offset > UINT64_MAX - out.size()) return status::kFileCorrupt;
    std::array<uint8_t, kSector> bounce;
    uint64_t position = offset;
    size_t done = 0;
    // Each pass ends on a sector boundary or at the end of the request.
    while (done < out.size()) {
        const uint64_t sector = position / kSector;
        const size_t within = static_cast<size_t>(position % kSector);
        const size_t left = out.size() - done;
        if (within != 0 || left < kSector) {
            LC_TRY(volume.ReadSectors(sector, 1, bounce));
            size_t piece = std::min<size_t>(kSector - within, left);
            std::memcpy(out.data() + done, bounce.data() + within, piece);
            done += piece;
            position += piece;
            continue;
        }
        const uint64_t count = std::min<uint64_t>(left / kSector, kMaxSectorsPerRead);
        const size_t bytes = static_cast<size_t>(count * kSector);
        LC_TRY(volume.ReadSectors(sector, static_cast<uint32_t>(count), out.subspan(done, bytes)));
        done += bytes;
        position += bytes;
    }
    return status::kSuccess;
}

Result<std::unique_ptr<FileReader>> ExtentFileReader::Create(Volume& volume, uint64_t size,
                                                             uint64_t validSize,
                                                             std::vector<FileExtent> extents) {
    uint64_t covered = 0;
    for (const FileExtent& extent : extents) {
        if (extent.fileOffset != covered || extent.length == 0 ||
            __builtin_add_overflow(covered, extent.length, &covered)) {
            return status::kFileCorrupt;
        }
        uint64_t end = 0;
        if (!extent.hole && __builtin_add_overflow(extent.volumeOffset, extent.length, &end)) {
            return status::kFileCorrupt;
        }
    }
    if (covered < size) return status::kFileCorrupt;
    return std::unique_ptr<FileReader>(
        new ExtentFileReader(volume, size, std::min(validSize, size), std::move(extents)));
}

Status ExtentFileReader::ReadRange(uint64_t offset, std::span<uint8_t> out) {
    uint64_t position = offset;
    size_t done = 0;
    auto extent =
        std::upper_bound(m_extents.begin(), m_extents.end(), position,
                         [](uint64_t value, const FileExtent& e) { return value < e.fileOffset; });
    if (extent == m_extents.begin()) return status::kFileCorrupt;
    --extent;
    // Each pass finishes an extent, the valid part of the file or the request.
    while (done < out.size()) {
        if (extent == m_extents.end()) return status::kFileCorrupt;
        const uint64_t extentEnd = extent->fileOffset + extent->length;
        if (position >= extentEnd) {
            ++extent;
            continue;
        }
        uint64_t end = std::min<uint64_t>(extentEnd, position + (out.size() - done));
        const bool zeros = extent->hole || position >= m_validSize;
        if (!zeros) end = std::min(end, m_validSize);
        std::span<uint8_t> part = out.subspan(done, static_cast<size_t>(end - position));
        if (zeros) {
            std::fill(part.begin(), part.end(), uint8_t{0});
        } else {
            LC_TRY(ReadVolumeRange(m_volume, extent->volumeOffset + (position - extent->fileOffset),
                                   part));
        }
        done += part.size();
        position = end;
    }
    return status::kSuccess;
}

Status MemoryFileReader::ReadRange(uint64_t offset, std::span<uint8_t> out) {
    std::memcpy(out.data(), m_bytes.data() + offset, out.size());
    return status::kSuccess;
}

Result<std::unique_ptr<FileReader>> FileSystemBase::OpenReader(uint64_t, uint64_t) {
    return status::kNotSupported;
}

Result<std::unique_ptr<FileReader>> OpenFileReader(FileSystemBase* fileSystem,
                                                   const DirInfo& file) {
    if (!file.IsFile()) return status::kInvalidParameter;
    if (IsUnsupportedData(file)) return status::kNotSupported;
    if (file.firstCluster <= 1 || file.size == 0) {
        // No data cluster: only an empty file is whole.
        if (file.size != 0) return status::kFileCorrupt;
        return std::unique_ptr<FileReader>(std::make_unique<MemoryFileReader>());
    }
    if (fileSystem == nullptr) return status::kInvalidHandle;
    return fileSystem->OpenReader(file.firstCluster, file.size);
}

}  // namespace lc
