#include "fs/Fat12.h"

#include <algorithm>
#include <vector>

#include "fs/FatRecord.h"
#include "fs/FatStructures.h"
#include "fs/Volume.h"
#include "platform/ByteReader.h"
#include "platform/Memory.h"

namespace lc {

Status Fat12::ParseBootSector(std::span<const uint8_t> bootSector) {
    auto boot = fat::ParseBootParameters(bootSector);
    if (!boot) return status::kSuccess;
    LC_TRY(FAT::ParseBootSector(bootSector));
    m_rootEntryCount = boot->rootEntryCount;
    m_fatSize = boot->fatSize16;
    const uint8_t fatCount = boot->fatCount;

    m_rootStartSector = m_fatStartSector + static_cast<uint32_t>(fatCount) * m_fatSize;
    m_rootSectorCount = 0;
    if (m_bytesPerSector != 0) {
        m_rootSectorCount =
            (static_cast<uint32_t>(m_rootEntryCount) * fat::kDirEntrySize + m_bytesPerSector - 1) /
            m_bytesPerSector;
    }
    m_firstDataSector = m_rootStartSector + m_rootSectorCount;
    // From here on the sector count means the data area.
    m_sectorCount = m_sectorCount > m_firstDataSector ? m_sectorCount - m_firstDataSector : 0;
    FinishLayout();

    std::u16string label = OemBytesToName(boot->label16);
    TrimTrailingWhiteSpace(label);
    m_volume->SetVolumeLabel(std::move(label));
    return status::kSuccess;
}

Status Fat12::ReadDirectoryTree() {
    BeginTreeWalk();
    if (m_rootSectorCount == 0) return status::kSuccess;
    std::vector<uint8_t> buffer;
    LC_TRY(CheckedResize(buffer, static_cast<size_t>(m_rootSectorCount) * m_bytesPerSector));
    LC_TRY(ReadFsSectors(m_rootStartSector, m_rootSectorCount, buffer));

    std::span<const uint8_t> region(buffer);
    const size_t rootBytes = static_cast<size_t>(m_rootEntryCount) * fat::kDirEntrySize;
    bool end = false;
    return ProcessDirEntries(region.first(std::min(region.size(), rootBytes)), end);
}

bool Fat12::IsEndOfChain(uint32_t value) const {
    return (value & fat::kFat12Mask) >= fat::kFat12EndOfChainMin;
}

uint64_t Fat12::FatEntryPosition(uint32_t cluster) const {
    return (static_cast<uint64_t>(cluster) * 3) >> 1;
}

uint32_t Fat12::ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset, bool odd) const {
    uint16_t value = ByteReader(buffer).At<uint16_t>(offset).value_or(0);
    return odd ? static_cast<uint32_t>(value >> 4) : static_cast<uint32_t>(value & 0xFFF);
}

uint32_t Fat12::MaxClusterNumber() const {
    return fat::kFat12Bad - 1;
}

}  // namespace lc
