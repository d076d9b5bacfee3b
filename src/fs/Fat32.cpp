#include "fs/Fat32.h"

#include "fs/FatRecord.h"
#include "fs/FatStructures.h"
#include "fs/Volume.h"
#include "platform/ByteReader.h"

namespace lc {

Status Fat32::ParseBootSector(std::span<const uint8_t> bootSector) {
    auto boot = fat::ParseBootParameters(bootSector);
    if (!boot || bootSector.size() < fat::kMinBootSector32) return status::kSuccess;
    LC_TRY(FAT::ParseBootSector(bootSector));
    m_rootCluster = boot->rootCluster;
    m_fatSize = boot->fatSize32;
    const uint8_t fatCount = boot->fatCount;

    uint64_t firstData = m_fatStartSector + static_cast<uint64_t>(fatCount) * m_fatSize;
    if (firstData > UINT32_MAX || firstData >= m_sectorCount) {
        // The FATs fill or overrun the volume: there is no data area.
        m_firstDataSector = 0;
        m_sectorCount = 0;
    } else {
        m_firstDataSector = static_cast<uint32_t>(firstData);
        m_sectorCount -= firstData;
    }
    FinishLayout();

    std::u16string label = OemBytesToName(boot->label32);
    TrimTrailingWhiteSpace(label);
    m_volume->SetVolumeLabel(std::move(label));
    return status::kSuccess;
}

Status Fat32::ReadDirectoryTree() {
    BeginTreeWalk();
    Status result = ReadDirectoryChain(m_rootCluster);
    // A root whose first cluster cannot be read ends the open; one whose chain breaks later
    // keeps what was read and is marked damaged.
    return m_directoryClustersRead == 0 ? result : MarkDamaged(result);
}

bool Fat32::IsEndOfChain(uint32_t value) const {
    return (value & fat::kFat32Mask) >= fat::kFat32EndOfChainMin;
}

uint64_t Fat32::FatEntryPosition(uint32_t cluster) const {
    return static_cast<uint64_t>(cluster) * 4;
}

uint32_t Fat32::ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset, bool) const {
    return ByteReader(buffer).At<uint32_t>(offset).value_or(0) & fat::kFat32Mask;
}

uint32_t Fat32::MaxClusterNumber() const {
    return fat::kFat32Bad - 1;
}

}  // namespace lc
