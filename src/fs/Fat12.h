// FAT12: 12-bit FAT entries and a fixed root-directory region after the FATs.
#pragma once

#include "fs/FAT.h"

namespace lc {

class Fat12 : public FAT {
public:
    explicit Fat12(Volume* volume) : FAT(volume) {}

    const char* RuntimeClassName() const override { return "Fat12"; }

    Status ParseBootSector(std::span<const uint8_t> bootSector) override;
    Status ReadDirectoryTree() override;

    bool IsEndOfChain(uint32_t value) const override;
    uint64_t FatEntryPosition(uint32_t cluster) const override;
    uint32_t ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset,
                          bool odd) const override;

    uint16_t RootEntryCount() const { return m_rootEntryCount; }
    uint32_t RootStartSector() const { return m_rootStartSector; }
    uint32_t RootSectorCount() const { return m_rootSectorCount; }

protected:
    uint32_t FatEntryBytes() const override { return 2; }
    uint32_t MaxClusterNumber() const override;

    uint16_t m_rootEntryCount = 0;
    uint32_t m_rootStartSector = 0;
    uint32_t m_rootSectorCount = 0;
};

}  // namespace lc
