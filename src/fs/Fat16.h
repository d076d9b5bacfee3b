// FAT16: as FAT12 with 16-bit FAT entries.
#pragma once

#include "fs/Fat12.h"

namespace lc {

class Fat16 : public Fat12 {
public:
    explicit Fat16(Volume* volume) : Fat12(volume) {}

    const char* RuntimeClassName() const override { return "Fat16"; }

    bool IsEndOfChain(uint32_t value) const override;
    uint64_t FatEntryPosition(uint32_t cluster) const override;
    uint32_t ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset,
                          bool odd) const override;

protected:
    uint32_t MaxClusterNumber() const override;
};

}  // namespace lc
