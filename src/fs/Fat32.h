// FAT32: 28-bit FAT entries in 32-bit words and a root directory stored in a cluster chain.
#pragma once

#include "fs/FAT.h"

namespace lc {

class Fat32 : public FAT {
public:
    explicit Fat32(Volume* volume) : FAT(volume) {}

    const char* RuntimeClassName() const override { return "Fat32"; }

    Status ParseBootSector(std::span<const uint8_t> bootSector) override;
    Status ReadDirectoryTree() override;

    bool IsEndOfChain(uint32_t value) const override;
    uint64_t FatEntryPosition(uint32_t cluster) const override;
    // The low 28 bits: the top four are reserved.
    uint32_t ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset,
                          bool odd) const override;

    uint32_t RootCluster() const { return m_rootCluster; }

protected:
    uint32_t FatEntryBytes() const override { return 4; }
    uint32_t MaxClusterNumber() const override;
    bool UsesClusterHighWord() const override { return true; }

    uint32_t m_rootCluster = 0;
};

}  // namespace lc
