#include "fs/LCVolume.h"

#include <array>
#include <new>
#include <string>

#include "fs/FAT.h"
#include "fs/Fat12.h"
#include "fs/Fat16.h"
#include "fs/Fat32.h"
#include "fs/FatRecord.h"
#include "fs/FatStructures.h"
#include "fs/NtFs.h"
#include "platform/ByteReader.h"

namespace lc {

namespace {

bool IsNtfsBootSector(const ByteReader& boot) {
    auto oemBytes = boot.Slice(fat::kOemName, fat::kOemNameLength);
    if (boot.size() < fat::kMinNtfsBootSector || !oemBytes) return false;
    std::u16string oem = FAT::BytesToName(*oemBytes);
    FAT::TrimTrailingWhiteSpace(oem);
    return oem == u"NTFS";
}

FileSystemKind ClassifyFat(std::span<const uint8_t> sector) {
    auto boot = fat::ParseBootParameters(sector);
    if (!boot) return FileSystemKind::kNone;
    uint32_t bytesPerSector = boot->bytesPerSector;
    uint32_t sectorsPerCluster = boot->sectorsPerCluster;
    // Both are divisors below; a zero in either is no file system we can read, nor is a sector
    // size the readers cannot work in.
    if (!fat::IsSupportedSectorSize(bytesPerSector) || sectorsPerCluster == 0) {
        return FileSystemKind::kNone;
    }

    uint32_t fatSize16 = boot->fatSize16;
    uint32_t fatSize = fatSize16 != 0 ? fatSize16 : boot->fatSize32;
    uint32_t total = boot->totalSectors;
    uint32_t rootEntries = boot->rootEntryCount;
    uint32_t fatCount = boot->fatCount;
    uint32_t reserved = boot->reservedSectors;

    uint64_t rootSectors = (rootEntries * 32 + bytesPerSector - 1) / bytesPerSector;
    // A layout whose metadata does not fit the volume has no data area at all.
    uint64_t metadata = static_cast<uint64_t>(fatCount) * fatSize + rootSectors + reserved;
    if (metadata >= total) return FileSystemKind::kNone;
    uint64_t clusters = (total - metadata) / sectorsPerCluster;

    if (clusters == 0) return FileSystemKind::kNone;
    uint8_t jump = boot->jump;
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
    return ClassifyFat(bootSector);
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

DirInfo* LCVolume::SetVolumeLabel(std::u16string label) {
    return m_tree.SetVolumeLabel(std::move(label));
}

void LCVolume::AddFile(std::u16string name, uint64_t size, uint32_t modified, uint64_t firstCluster,
                       uint32_t attributes) {
    m_tree.AddFile(std::move(name), size, modified, firstCluster, attributes);
}

void LCVolume::AddDirectory(std::u16string name, uint32_t modified) {
    m_tree.AddDirectory(std::move(name), modified);
}

void LCVolume::EnterDirectory() {
    m_tree.EnterDirectory();
}

void LCVolume::LeaveDirectory() {
    m_tree.LeaveDirectory();
}

void LCVolume::SetLinkTarget(std::u16string target) {
    m_tree.SetLinkTarget(std::move(target));
}

void LCVolume::MarkDirectoryDamaged(Status code) {
    m_tree.MarkDirectoryDamaged(code);
}

}  // namespace lc
