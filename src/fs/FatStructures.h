// On-disk layout of FAT12/16/32: boot-sector offsets, directory-entry offsets and FAT values.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lc::fat {

// Boot sector / BIOS parameter block.
inline constexpr size_t kJumpByte = 0;
inline constexpr uint8_t kJumpShort = 0xEB;
inline constexpr uint8_t kJumpNear = 0xE9;
inline constexpr size_t kOemName = 3;
inline constexpr size_t kOemNameLength = 8;
inline constexpr size_t kBytesPerSector = 11;
inline constexpr size_t kSectorsPerCluster = 13;
inline constexpr size_t kReservedSectors = 14;
inline constexpr size_t kNumberOfFats = 16;
inline constexpr size_t kRootEntryCount = 17;
inline constexpr size_t kTotalSectors16 = 19;
inline constexpr size_t kFatSize16 = 22;
inline constexpr size_t kTotalSectors32 = 32;
inline constexpr size_t kFatSize32 = 36;
inline constexpr size_t kRootCluster32 = 44;
inline constexpr size_t kLabel16 = 43;
inline constexpr size_t kLabel32 = 71;
inline constexpr size_t kLabelLength = 11;
// Shortest boot sectors the readers accept, and the shortest one the NTFS test looks at.
inline constexpr size_t kMinBootSector16 = 62;
inline constexpr size_t kMinBootSector32 = 90;
inline constexpr size_t kMinNtfsBootSector = 92;

// The sector sizes the readers work in: powers of two from 512 to 4,096 bytes.
inline constexpr bool IsSupportedSectorSize(uint32_t bytes) {
    return bytes >= 512 && bytes <= 4096 && (bytes & (bytes - 1)) == 0;
}

// Cluster-count limits of the three variants.
inline constexpr uint32_t kMaxFat12Clusters = 4084;
inline constexpr uint32_t kMaxFat16Clusters = 65524;
inline constexpr uint32_t kAmbiguousClusterCount = 65525;

// 32-byte directory entry.
inline constexpr size_t kDirEntrySize = 32;
inline constexpr size_t kShortName = 0;
inline constexpr size_t kShortNameLength = 11;
inline constexpr size_t kShortBaseLength = 8;
inline constexpr size_t kAttributes = 11;
inline constexpr size_t kCaseFlags = 12;
inline constexpr size_t kClusterHigh = 20;
inline constexpr size_t kWriteTime = 22;
inline constexpr size_t kWriteDate = 24;
inline constexpr size_t kClusterLow = 26;
inline constexpr size_t kFileSize = 28;

inline constexpr uint8_t kEntryFree = 0x00;
inline constexpr uint8_t kEntryDeleted = 0xE5;
inline constexpr uint8_t kEntryKanjiE5 = 0x05;
inline constexpr uint8_t kEntryDot = 0x2E;

inline constexpr uint8_t kAttrReadOnly = 0x01;
inline constexpr uint8_t kAttrHidden = 0x02;
inline constexpr uint8_t kAttrSystem = 0x04;
inline constexpr uint8_t kAttrVolumeLabel = 0x08;
inline constexpr uint8_t kAttrDirectory = 0x10;
inline constexpr uint8_t kAttrArchive = 0x20;
inline constexpr uint8_t kAttrLongNameMask = 0x0F;

inline constexpr uint8_t kCaseLowerBase = 0x08;
inline constexpr uint8_t kCaseLowerExtension = 0x10;

// Long-name entry: 13 UTF-16 characters in three pieces.
inline constexpr size_t kLongName1 = 1;
inline constexpr size_t kLongName1Chars = 5;
inline constexpr size_t kLongName2 = 14;
inline constexpr size_t kLongName2Chars = 6;
inline constexpr size_t kLongName3 = 28;
inline constexpr size_t kLongName3Chars = 2;
inline constexpr size_t kLongNamePieceChars = 13;
inline constexpr size_t kLongNameChecksum = 13;
// First byte of a long-name entry: its ordinal (1 for the piece nearest the short entry), and
// a flag on the entry stored first, which holds the last piece.
inline constexpr uint8_t kLongNameOrdinalMask = 0x3F;
inline constexpr uint8_t kLongNameLast = 0x40;
// 255 characters need 20 entries.
inline constexpr uint8_t kMaxLongNameEntries = 20;

// Cluster numbers and FAT entry values.
inline constexpr uint32_t kFirstDataCluster = 2;
inline constexpr uint32_t kFat12EndOfChainMin = 0xFF8;
inline constexpr uint32_t kFat12Bad = 0xFF7;
inline constexpr uint32_t kFat12Mask = 0xFFF;
inline constexpr uint32_t kFat16EndOfChainMin = 0xFFF8;
inline constexpr uint32_t kFat16Bad = 0xFFF7;
inline constexpr uint32_t kFat16Mask = 0xFFFF;
inline constexpr uint32_t kFat32EndOfChainMin = 0x0FFFFFF8;
inline constexpr uint32_t kFat32Bad = 0x0FFFFFF7;
inline constexpr uint32_t kFat32Mask = 0x0FFFFFFF;

// Directories nest at most this deep below the root.
inline constexpr uint32_t kMaxDirectoryDepth = 256;

}  // namespace lc::fat
