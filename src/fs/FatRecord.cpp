#include "fs/FatRecord.h"

#include "fs/FatStructures.h"
#include "platform/ByteReader.h"

namespace lc::fat {

Result<BootParameters> ParseBootParameters(std::span<const uint8_t> sector) {
    if (sector.size() < kMinBootSector16)
        return Result<BootParameters>::Failure(status::kFileCorrupt);
    FieldReader fields(sector);
    BootParameters boot;
    boot.jump = fields.At<uint8_t>(kJumpByte);
    boot.bytesPerSector = fields.At<uint16_t>(kBytesPerSector);
    boot.sectorsPerCluster = fields.At<uint8_t>(kSectorsPerCluster);
    boot.reservedSectors = fields.At<uint16_t>(kReservedSectors);
    boot.fatCount = fields.At<uint8_t>(kNumberOfFats);
    boot.rootEntryCount = fields.At<uint16_t>(kRootEntryCount);
    boot.totalSectors = fields.At<uint32_t>(kTotalSectors32);
    if (boot.totalSectors == 0) boot.totalSectors = fields.At<uint16_t>(kTotalSectors16);
    boot.fatSize16 = fields.At<uint16_t>(kFatSize16);
    boot.fatSize32 = fields.At<uint32_t>(kFatSize32);
    boot.rootCluster = fields.At<uint32_t>(kRootCluster32);
    ByteReader reader(sector);
    auto label16 = reader.Slice(kLabel16, kLabelLength);
    if (!fields.ok() || !label16) return Result<BootParameters>::Failure(status::kFileCorrupt);
    boot.label16 = *label16;
    boot.label32 = reader.Slice(kLabel32, kLabelLength).value_or(std::span<const uint8_t>{});
    return boot;
}

bool DirEntry::IsLongName() const {
    return (attributes & kAttrLongNameMask) == kAttrLongNameMask;
}

Result<DirEntry> ParseDirEntry(std::span<const uint8_t> entry) {
    FieldReader fields(entry);
    DirEntry parsed;
    parsed.first = fields.At<uint8_t>(kShortName);
    parsed.attributes = fields.At<uint8_t>(kAttributes);
    parsed.writeTime = fields.At<uint16_t>(kWriteTime);
    parsed.writeDate = fields.At<uint16_t>(kWriteDate);
    parsed.clusterLow = fields.At<uint16_t>(kClusterLow);
    parsed.cluster = parsed.clusterLow | static_cast<uint32_t>(fields.At<uint16_t>(kClusterHigh))
                                             << 16;
    parsed.fileSize = fields.At<uint32_t>(kFileSize);
    if (!fields.ok() || entry.size() < kDirEntrySize) {
        return Result<DirEntry>::Failure(status::kFileCorrupt);
    }
    return parsed;
}

Result<LongNameEntry> ParseLongNameEntry(std::span<const uint8_t> entry) {
    struct Part {
        size_t offset;
        size_t chars;
    };
    static constexpr Part kParts[] = {{kLongName1, kLongName1Chars},
                                      {kLongName2, kLongName2Chars},
                                      {kLongName3, kLongName3Chars}};
    FieldReader fields(entry);
    LongNameEntry parsed;
    parsed.order = fields.At<uint8_t>(kShortName);
    parsed.checksum = fields.At<uint8_t>(kLongNameChecksum);
    bool ended = false;
    for (const Part& part : kParts) {
        for (size_t i = 0; i < part.chars && !ended; ++i) {
            // The name ends at a 0; 0xFFFF fills the rest of the entry.
            const uint16_t c = fields.At<uint16_t>(part.offset + 2 * i);
            if (c == 0 || c == 0xFFFF) {
                ended = true;
            } else {
                parsed.chars.push_back(static_cast<char16_t>(c));
            }
        }
    }
    if (!fields.ok() || entry.size() < kDirEntrySize) {
        return Result<LongNameEntry>::Failure(status::kFileCorrupt);
    }
    return parsed;
}

}  // namespace lc::fat
