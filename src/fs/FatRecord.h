// FAT on-disk records parsed through the checked reader: the boot sector's parameter block,
// short directory entries and long-name entries. Each parser returns a plain struct or 1392;
// spans in the results point into the bytes parsed.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Status.h"

namespace lc::fat {

// The BIOS parameter block, from a sector of at least kMinBootSector16 bytes.
struct BootParameters {
    uint8_t jump = 0;
    uint16_t bytesPerSector = 0;
    uint8_t sectorsPerCluster = 0;
    uint16_t reservedSectors = 0;
    uint8_t fatCount = 0;
    uint16_t rootEntryCount = 0;
    uint32_t totalSectors = 0;  // the 32-bit count, else the 16-bit one
    uint16_t fatSize16 = 0;
    uint32_t fatSize32 = 0;    // FAT32 only
    uint32_t rootCluster = 0;  // FAT32 only
    std::span<const uint8_t> label16;
    std::span<const uint8_t> label32;  // empty when the sector is too short for it
};
Result<BootParameters> ParseBootParameters(std::span<const uint8_t> sector);

// A 32-byte directory entry, short or long.
struct DirEntry {
    uint8_t first = 0;  // free, deleted, dot, or the name's first byte
    uint8_t attributes = 0;
    uint16_t writeTime = 0;
    uint16_t writeDate = 0;
    uint32_t cluster = 0;  // both halves; FAT12/16 use only the low one
    uint16_t clusterLow = 0;
    uint32_t fileSize = 0;
    bool IsLongName() const;
};
Result<DirEntry> ParseDirEntry(std::span<const uint8_t> entry);

// A long-name entry: its ordinal byte, the short name's checksum and its up to 13 characters
// (up to the first 0 or 0xFFFF).
struct LongNameEntry {
    uint8_t order = 0;
    uint8_t checksum = 0;
    std::u16string chars;
};
Result<LongNameEntry> ParseLongNameEntry(std::span<const uint8_t> entry);

}  // namespace lc::fat
