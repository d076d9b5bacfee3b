#include "fs/Fat16.h"

#include "fs/FatStructures.h"
#include "platform/ByteReader.h"

namespace lc {

bool Fat16::IsEndOfChain(uint32_t value) const {
    return (value & fat::kFat16Mask) >= fat::kFat16EndOfChainMin;
}

uint64_t Fat16::FatEntryPosition(uint32_t cluster) const {
    return static_cast<uint64_t>(cluster) * 2;
}

uint32_t Fat16::ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset, bool) const {
    return ByteReader(buffer).At<uint16_t>(offset).value_or(0);
}

uint32_t Fat16::MaxClusterNumber() const {
    return fat::kFat16Bad - 1;
}

}  // namespace lc
