#include "fs/LCVolume.h"

#include <array>
#include <new>
#include <string>

#include "fs/FAT.h"
#include "fs/Fat12.h"
#include "fs/Fat16.h"
#include "fs/Fat32.h"
#include "fs/FatStructures.h"
#include "fs/NtFs.h"
#include "platform/ByteReader.h"

namespace lc {

namespace {

bool IsNtfsBootSector(const ByteReader& boot) {
    if (boot.size() < fat::kMinNtfsBootSector) return false;
    std::u16string oem = FAT::BytesToName(*boot.Slice(fat::kOemName, fat::kOemNameLength));
    FAT::TrimTrailingWhiteSpace(oem);
    return oem == u"NTFS";
}

FileSystemKind ClassifyFat(const ByteReader& boot) {
    if (boot.size() < fat::kMinBootSector16) return FileSystemKind::kNone;
    uint32_t bytesPerSector = *boot.At<uint16_t>(fat::kBytesPerSector);
    uint32_t sectorsPerCluster = *boot.At<uint8_t>(fat::kSectorsPerCluster);
    // Both are divisors below; a zero in either is no file system we can read, nor is a sector
    // size the readers cannot work in.
    if (!fat::IsSupportedSectorSize(bytesPerSector) || sectorsPerCluster == 0) {
        return FileSystemKind::kNone;
    }

    uint32_t fatSize16 = *boot.At<uint16_t>(fat::kFatSize16);
    uint32_t fatSize = fatSize16 != 0 ? fatSize16 : boot.At<uint32_t>(fat::kFatSize32).value_or(0);
    uint32_t total = *boot.At<uint32_t>(fat::kTotalSectors32);
    if (total == 0) total = *boot.At<uint16_t>(fat::kTotalSectors16);
    uint32_t rootEntries = *boot.At<uint16_t>(fat::kRootEntryCount);
    uint32_t fatCount = *boot.At<uint8_t>(fat::kNumberOfFats);
    uint32_t reserved = *boot.At<uint16_t>(fat::kReservedSectors);

    uint64_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    // A layout whose metadata does not fit the volume has no data area at all.
    uint64_t metadata = static_cast<uint64_t>(fatCount) * fatSize + rootSectors + reserved;
    if (metadata >= total) return FileSystemKind::kNone;
    uint64_t clusters = (total - metadata) / sectorsPerCluster;

    if (clusters == 0) return FileSystemKind::kNone;
    uint8_t jump = *boot.At<uint8_t>(fat::kJumpByte);
    if (jump != fat::kJumpShort && jump != fat::kJumpNear) return FileSystemKind::kNone;
    if (clusters <= fat::kMaxFat12Clusters) return FileSystemKind::kFat12;
    if (clusters <= fat::kMaxFat16Clusters) return FileSystemKind::kFat16;
    if (clusters == fat::kAmbiguousClusterCount && fatSize16 != 0) return FileSystemKind::kFat16;
    return rootSectors == 0 ? FileSystemKind::kFat32 : FileSystemKind::kNone;
}

}  // namespace

FileSystemKind LCVolume::DetectFileSystem(std::span<const uint8_t> bootSector) {
    ByteReader boot(bootSector);
    if (IsNtfsBootSector(boot)) return FileSystemKind::kNtfs;
    return ClassifyFat(boot);
}

Status LCVolume::Mount() {
    std::array<uint8_t, kSectorSize> sector{};
    LC_TRY(ReadSectors(0, 1, sector));

    m_fileSystem.reset();
    std::unique_ptr<FileSystemBase> reader;
    switch (DetectFileSystem(sector)) {
        case FileSystemKind::kNtfs:
            reader.reset(new NtFs(this));
            break;
        case FileSystemKind::kFat12:
            reader.reset(new Fat12(this));
            break;
        case FileSystemKind::kFat16:
            reader.reset(new Fat16(this));
            break;
        case FileSystemKind::kFat32:
            reader.reset(new Fat32(this));
            break;
        case FileSystemKind::kNone:
            return status::kInvalidFunction;
    }
    m_fileSystem = std::move(reader);
    IgnoreStatus(m_fileSystem->ParseBootSector(sector),
                 "a reader left without geometry fails the tree read on its own");
    return status::kSuccess;
}

}  // namespace lc
