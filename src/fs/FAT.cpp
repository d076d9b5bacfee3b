#include "fs/FAT.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "fs/DosTime.h"
#include "fs/FatCodePage.h"
#include "fs/FatRecord.h"
#include "fs/FatStructures.h"
#include "fs/FileReader.h"
#include "fs/Volume.h"
#include "platform/ByteReader.h"
#include "platform/File.h"
#include "platform/Memory.h"

namespace lc {

namespace {

// Files are read in runs of contiguous clusters of up to this many bytes per ReadSectors call.
constexpr size_t kMaxCopyBlock = 4 * 1024 * 1024;
// The FAT is loaded in pieces of this size when a chain first touches them.
constexpr uint32_t kFatChunkBytes = 128 * 1024;

// Lower case for every upper-case letter code page 850 can hold (all of them in U+00C0..U+00DE).
char16_t ToLower(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    return c;
}

bool IsWhiteSpace(char16_t c) {
    return c == u' ' || (c >= 0x09 && c <= 0x0D);
}

// Characters up to (not including) the first one below 0x21.
std::u16string TakeNamePart(const char16_t* chars, size_t count, bool lower) {
    std::u16string part;
    for (size_t i = 0; i < count && chars[i] >= 0x21; ++i) {
        part.push_back(lower ? ToLower(chars[i]) : chars[i]);
    }
    return part;
}

}  // namespace

Status FAT::ParseBootSector(std::span<const uint8_t> bootSector) {
    auto boot = fat::ParseBootParameters(bootSector);
    if (!boot) return status::kSuccess;
    // Sizes other than these leave the reader without geometry (Mount refuses them).
    m_bytesPerSector = boot->bytesPerSector;
    if (!fat::IsSupportedSectorSize(m_bytesPerSector)) m_bytesPerSector = 0;
    m_sectorsPerCluster = boot->sectorsPerCluster;
    m_fatStartSector = boot->reservedSectors;
    m_sectorCount = boot->totalSectors;
    return status::kSuccess;
}

void FAT::TrimTrailingWhiteSpace(std::u16string& text) {
    while (!text.empty() && IsWhiteSpace(text.back())) text.pop_back();
}

std::u16string FAT::BytesToName(std::span<const uint8_t> bytes) {
    std::u16string name;
    name.reserve(bytes.size());
    for (uint8_t b : bytes) name.push_back(b);
    return name;
}

std::u16string FAT::OemBytesToName(std::span<const uint8_t> bytes) {
    std::u16string name;
    name.reserve(bytes.size());
    for (uint8_t b : bytes) name.push_back(fat::FromOemCodePage(b));
    return name;
}

std::u16string FAT::DecodeShortName(std::span<const uint8_t> entry) {
    ByteReader reader(entry);
    auto nameBytes = reader.Slice(fat::kShortName, fat::kShortNameLength);
    if (!nameBytes) return {};
    char16_t chars[fat::kShortNameLength];
    for (size_t i = 0; i < fat::kShortNameLength; ++i) {
        uint8_t byte = (*nameBytes)[i];
        // A name whose first byte is 0xE5 is stored with 0x05, as 0xE5 marks a deleted entry.
        if (i == 0 && byte == fat::kEntryKanjiE5) byte = fat::kEntryDeleted;
        chars[i] = fat::FromOemCodePage(byte);
    }

    uint8_t attributes = reader.At<uint8_t>(fat::kAttributes).value_or(0);
    if (attributes & fat::kAttrVolumeLabel) {
        std::u16string label(chars, fat::kShortNameLength);
        TrimTrailingWhiteSpace(label);
        return label;
    }
    uint8_t caseFlags = reader.At<uint8_t>(fat::kCaseFlags).value_or(0);
    std::u16string name =
        TakeNamePart(chars, fat::kShortBaseLength, (caseFlags & fat::kCaseLowerBase) != 0);
    if (chars[fat::kShortBaseLength] < 0x21) return name;
    name.push_back(u'.');
    name +=
        TakeNamePart(chars + fat::kShortBaseLength, fat::kShortNameLength - fat::kShortBaseLength,
                     (caseFlags & fat::kCaseLowerExtension) != 0);
    return name;
}

void FAT::FinishLayout() {
    m_clusterCount = 0;
    m_lastCluster = 0;
    m_fatBytes = 0;
    m_fatChunks.clear();
    m_fatChunkFailed.clear();
    m_fatError = status::kSuccess;
    if (m_bytesPerSector == 0 || m_sectorsPerCluster == 0) return;

    uint64_t clusters = m_sectorCount / m_sectorsPerCluster;
    uint64_t last = std::min<uint64_t>(clusters + 1, MaxClusterNumber());
    if (last < fat::kFirstDataCluster) return;
    m_lastCluster = static_cast<uint32_t>(last);
    m_clusterCount = m_lastCluster - 1;

    // Only the part of the first FAT that describes the volume's clusters is ever loaded.
    uint32_t sectorIndex = 0;
    uint32_t offset = GetFatEntryOffset(m_lastCluster, sectorIndex);
    uint64_t needed =
        static_cast<uint64_t>(sectorIndex) * m_bytesPerSector + offset + FatEntryBytes();
    uint64_t fatSectors = (needed + m_bytesPerSector - 1) / m_bytesPerSector;
    fatSectors = std::min<uint64_t>(fatSectors, m_fatSize);
    m_fatBytes = fatSectors * m_bytesPerSector;
    m_fatChunkSectors = std::max<uint32_t>(1, kFatChunkBytes / m_bytesPerSector);
    uint64_t chunkBytes = static_cast<uint64_t>(m_fatChunkSectors) * m_bytesPerSector;
    size_t chunkCount = static_cast<size_t>((m_fatBytes + chunkBytes - 1) / chunkBytes);
    if (CheckedResize(m_fatChunks, chunkCount) != status::kSuccess ||
        CheckedResize(m_fatChunkFailed, chunkCount) != status::kSuccess) {
        m_fatBytes = 0;
        m_fatChunks.clear();
        m_fatChunkFailed.clear();
    }
}

uint32_t FAT::GetFatEntryOffset(uint32_t cluster, uint32_t& sectorIndex) const {
    const uint64_t position = FatEntryPosition(cluster);
    if (m_bytesPerSector == 0) {
        sectorIndex = 0;
        return 0;
    }
    sectorIndex = static_cast<uint32_t>(position / m_bytesPerSector);
    return static_cast<uint32_t>(position % m_bytesPerSector);
}

std::optional<uint8_t> FAT::FatByte(uint64_t offset) {
    if (offset >= m_fatBytes) return std::nullopt;
    uint64_t chunkBytes = static_cast<uint64_t>(m_fatChunkSectors) * m_bytesPerSector;
    size_t chunk = static_cast<size_t>(offset / chunkBytes);
    std::vector<uint8_t>& data = m_fatChunks[chunk];
    if (data.empty()) {
        if (m_fatChunkFailed[chunk]) return std::nullopt;
        uint64_t firstSector = static_cast<uint64_t>(chunk) * m_fatChunkSectors;
        uint64_t totalSectors = m_fatBytes / m_bytesPerSector;
        auto count = static_cast<uint32_t>(
            std::min<uint64_t>(m_fatChunkSectors, totalSectors - firstSector));
        std::vector<uint8_t> loaded;
        Status read = CheckedResize(loaded, static_cast<size_t>(count) * m_bytesPerSector);
        if (read == status::kSuccess) {
            read = ReadFsSectors(m_fatStartSector + firstSector, count, loaded);
        }
        if (read != status::kSuccess) {
            m_fatChunkFailed[chunk] = true;
            if (m_fatError == status::kSuccess) m_fatError = read;
            return std::nullopt;
        }
        data = std::move(loaded);
    }
    return data[static_cast<size_t>(offset % chunkBytes)];
}

std::optional<uint32_t> FAT::FatEntryValue(uint32_t cluster) {
    if (m_bytesPerSector == 0) return std::nullopt;
    uint32_t sectorIndex = 0;
    uint32_t offset = GetFatEntryOffset(cluster, sectorIndex);
    uint64_t position = static_cast<uint64_t>(sectorIndex) * m_bytesPerSector + offset;
    uint8_t bytes[4] = {};
    uint32_t width = std::min<uint32_t>(FatEntryBytes(), sizeof bytes);
    for (uint32_t i = 0; i < width; ++i) {
        auto b = FatByte(position + i);
        if (!b) return std::nullopt;
        bytes[i] = *b;
    }
    return ReadFatEntry(std::span<const uint8_t>(bytes, width), 0, (cluster & 1) != 0);
}

FAT::ChainStep FAT::NextCluster(uint32_t cluster, uint32_t& next) {
    if (!IsValidCluster(cluster)) return ChainStep::kCorrupt;
    auto value = FatEntryValue(cluster);
    if (!value) return ChainStep::kCorrupt;
    if (IsEndOfChain(*value)) return ChainStep::kEnd;
    // Free (0), reserved (1), the bad-cluster mark and anything past the volume.
    if (!IsValidCluster(*value)) return ChainStep::kCorrupt;
    next = *value;
    return ChainStep::kNext;
}

uint64_t FAT::GetNextCluster(uint64_t cluster) {
    if (!IsValidCluster(cluster)) return 0;
    uint32_t next = 0;
    return NextCluster(static_cast<uint32_t>(cluster), next) == ChainStep::kNext ? next : 0;
}

Status FAT::ReadFsSectors(uint64_t firstSector, uint64_t count, std::span<uint8_t> buffer) {
    // The volume counts in 512-byte sectors; the file system in its own, a multiple of them.
    const uint64_t scale = m_bytesPerSector / Volume::kSectorSize;
    if (scale == 0 || firstSector > UINT64_MAX / scale || count > UINT32_MAX / scale) {
        return status::kFileCorrupt;
    }
    return m_volume->ReadSectors(firstSector * scale, static_cast<uint32_t>(count * scale), buffer);
}

uint64_t FAT::ClusterToSector(uint32_t cluster) const {
    return static_cast<uint64_t>(cluster - fat::kFirstDataCluster) * m_sectorsPerCluster +
           m_firstDataSector;
}

void FAT::BeginTreeWalk() {
    DropLongName();
    m_directoryClusters.clear();
    m_directoryClustersRead = 0;
    m_directoryDepth = 0;
}

Status FAT::ReadDirectoryChain(uint64_t firstCluster) {
    if (!IsValidCluster(firstCluster)) return status::kFileCorrupt;
    std::vector<uint8_t> buffer;
    LC_TRY(CheckedResize(buffer, BytesPerCluster()));

    auto cluster = static_cast<uint32_t>(firstCluster);
    bool end = false;
    while (!end) {
        // Every directory cluster is read once per walk: a second visit is a loop in a chain
        // or a directory that contains itself or an ancestor.
        if (!m_directoryClusters.insert(cluster).second) return status::kFileCorrupt;
        LC_TRY(ReadFsSectors(ClusterToSector(cluster), m_sectorsPerCluster, buffer));
        ++m_directoryClustersRead;
        LC_TRY(ProcessDirEntries(buffer, end));
        if (end) break;
        uint32_t next = 0;
        ChainStep step = NextCluster(cluster, next);
        if (step == ChainStep::kEnd) break;
        if (step == ChainStep::kCorrupt) {
            return m_fatError != status::kSuccess ? m_fatError : status::kFileCorrupt;
        }
        cluster = next;
    }
    return status::kSuccess;
}

Status FAT::MarkDamaged(Status result) {
    // Only a FAT that cannot be read or a lack of memory end the whole walk.
    if (result == status::kSuccess || result == status::kNotEnoughMemory ||
        m_fatError != status::kSuccess) {
        return result;
    }
    m_volume->MarkDirectoryDamaged(result);
    return status::kSuccess;
}

uint8_t FAT::ShortNameChecksum(std::span<const uint8_t> entry) {
    uint8_t sum = 0;
    for (size_t i = 0; i < fat::kShortNameLength && i < entry.size(); ++i) {
        sum = static_cast<uint8_t>(((sum & 1) << 7) + (sum >> 1) + entry[i]);
    }
    return sum;
}

void FAT::DropLongName() {
    m_pendingLongName.clear();
    m_longNameOpen = false;
    m_longNameNextOrdinal = 0;
    m_longNameChecksum = 0;
}

void FAT::AppendLongNamePiece(std::span<const uint8_t> entry) {
    auto parsed = fat::ParseLongNameEntry(entry);
    if (!parsed) {
        DropLongName();
        return;
    }
    const uint8_t order = parsed->order;
    const uint8_t ordinal = order & fat::kLongNameOrdinalMask;
    const uint8_t checksum = parsed->checksum;
    const bool valid = ordinal >= 1 && ordinal <= fat::kMaxLongNameEntries &&
                       (order & ~(fat::kLongNameOrdinalMask | fat::kLongNameLast)) == 0;
    if (order & fat::kLongNameLast) {
        // The entry stored first carries the last piece and starts a new sequence.
        DropLongName();
        if (!valid) return;
        m_longNameOpen = true;
        m_longNameChecksum = checksum;
    } else if (!valid || !m_longNameOpen || ordinal != m_longNameNextOrdinal ||
               checksum != m_longNameChecksum) {
        DropLongName();
        return;
    }
    m_longNameNextOrdinal = static_cast<uint8_t>(ordinal - 1);
    // Entries are stored last piece first: each piece goes in front of those met before it.
    // The ordinals bound the whole name to kMaxLongNameEntries pieces.
    m_pendingLongName.insert(0, parsed->chars);
}

Status FAT::ProcessDirEntries(std::span<const uint8_t> region, bool& end) {
    for (size_t offset = 0; offset + fat::kDirEntrySize <= region.size() && !end;
         offset += fat::kDirEntrySize) {
        LC_TRY(ProcessDirEntry(region.subspan(offset, fat::kDirEntrySize), end));
    }
    return status::kSuccess;
}

Status FAT::ProcessDirEntry(std::span<const uint8_t> entry, bool& end) {
    LC_TRY_ASSIGN(const fat::DirEntry parsed, fat::ParseDirEntry(entry));
    const uint8_t first = parsed.first;
    const uint8_t attributes = parsed.attributes;
    const bool longName = parsed.IsLongName();

    if (first == fat::kEntryFree) {
        DropLongName();
        end = true;
        return status::kSuccess;
    }
    // A deleted entry, long or short, takes any long name gathered so far with it.
    if (first == fat::kEntryDeleted) {
        DropLongName();
        return status::kSuccess;
    }
    if (longName) {
        AppendLongNamePiece(entry);
        return status::kSuccess;
    }

    // A long name belongs to this entry only when its sequence is whole and was made for it.
    std::u16string name;
    if (m_longNameOpen && m_longNameNextOrdinal == 0 && !m_pendingLongName.empty() &&
        m_longNameChecksum == ShortNameChecksum(entry)) {
        name = std::move(m_pendingLongName);
    }
    DropLongName();
    if (first == fat::kEntryDot) return status::kSuccess;
    if (name.empty()) name = DecodeShortName(entry);
    const uint32_t modified = DosTime::Pack(parsed.writeDate, parsed.writeTime);
    const uint32_t cluster = UsesClusterHighWord() ? parsed.cluster : parsed.clusterLow;

    if (attributes & fat::kAttrDirectory) {
        m_volume->AddDirectory(std::move(name), modified);
        m_volume->EnterDirectory();
        Status result = status::kFileCorrupt;
        if (m_directoryDepth < fat::kMaxDirectoryDepth) {
            ++m_directoryDepth;
            result = ReadDirectoryChain(cluster);
            --m_directoryDepth;
        }
        // Long-name entries left at the end of the folder name nothing out here.
        DropLongName();
        // A folder that cannot be read whole keeps what was read of it and is marked; its
        // siblings are read as usual.
        result = MarkDamaged(result);
        m_volume->LeaveDirectory();
        return result;
    }
    if (attributes & fat::kAttrVolumeLabel) {
        // Only the root directory names the volume; a label entry elsewhere means nothing.
        if (m_directoryDepth == 0) m_volume->SetVolumeLabel(DecodeShortName(entry));
        return status::kSuccess;
    }
    m_volume->AddFile(std::move(name), parsed.fileSize, modified, cluster, attributes);
    return status::kSuccess;
}

Status FAT::CollectRuns(uint32_t first, uint64_t clustersNeeded, std::vector<Run>& runs) {
    if (!IsValidCluster(first) || clustersNeeded > m_clusterCount) return status::kFileCorrupt;
    bool ascending = true;
    uint32_t cluster = first;
    for (uint64_t i = 0;; ++i) {
        if (!runs.empty() && runs.back().start + runs.back().count == cluster) {
            ++runs.back().count;
        } else {
            LC_TRY(CheckedAllocation([&] { runs.push_back({cluster, 1}); }));
        }
        if (i + 1 == clustersNeeded) break;
        uint32_t next = 0;
        // A chain that ends before the size is reached is as corrupt as a broken one.
        if (NextCluster(cluster, next) != ChainStep::kNext) return status::kFileCorrupt;
        if (next <= cluster) ascending = false;
        cluster = next;
    }
    if (ascending) return status::kSuccess;

    // The chain turned back at least once: make sure it never visits a cluster twice.
    std::vector<Run> sorted;
    LC_TRY(CheckedAllocation([&] { sorted = runs; }));
    std::sort(sorted.begin(), sorted.end(),
              [](const Run& a, const Run& b) { return a.start < b.start; });
    for (size_t i = 1; i < sorted.size(); ++i) {
        if (static_cast<uint64_t>(sorted[i - 1].start) + sorted[i - 1].count > sorted[i].start) {
            return status::kFileCorrupt;
        }
    }
    return status::kSuccess;
}

Status FAT::CopyFileData(uint64_t first, File& output, uint64_t size) {
    m_volume->SetProgressTotal(size);
    m_volume->ReportProgress(size);
    uint64_t remaining = size;
    Status result = status::kSuccess;
    uint32_t clusterBytes = BytesPerCluster();
    if (remaining > 0 && (clusterBytes == 0 || !IsValidCluster(first))) {
        result = status::kFileCorrupt;
    }

    std::vector<Run> runs;
    std::vector<uint8_t> buffer;
    if (remaining > 0 && result == status::kSuccess) {
        uint64_t clustersNeeded = (size + clusterBytes - 1) / clusterBytes;
        result = CollectRuns(static_cast<uint32_t>(first), clustersNeeded, runs);
        uint64_t blockClusters = std::max<uint64_t>(1, kMaxCopyBlock / clusterBytes);
        blockClusters = std::min(blockClusters, clustersNeeded);
        if (result == status::kSuccess)
            result = CheckedResize(buffer, blockClusters * clusterBytes);
    }

    const uint64_t blockClusters = clusterBytes ? buffer.size() / clusterBytes : 0;
    for (size_t r = 0; r < runs.size() && result == status::kSuccess && remaining > 0; ++r) {
        uint32_t start = runs[r].start;
        uint32_t left = runs[r].count;
        while (left > 0 && remaining > 0) {
            auto clusters = static_cast<uint32_t>(std::min<uint64_t>(left, blockClusters));
            size_t bytes = static_cast<size_t>(clusters) * clusterBytes;
            std::span<uint8_t> block(buffer.data(), bytes);
            result = ReadFsSectors(ClusterToSector(start), clusters * m_sectorsPerCluster, block);
            if (result != status::kSuccess) break;
            size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, bytes));
            result = output.WriteAll(block.first(n));
            if (result != status::kSuccess) break;
            remaining -= n;
            m_volume->ReportProgress(remaining);
            start += clusters;
            left -= clusters;
        }
    }
    m_volume->ReportProgress(0);
    return result;
}

Result<std::unique_ptr<FileReader>> FAT::OpenReader(uint64_t first, uint64_t size) {
    const uint32_t clusterBytes = BytesPerCluster();
    if (size == 0) return std::unique_ptr<FileReader>(std::make_unique<MemoryFileReader>());
    if (clusterBytes == 0 || !IsValidCluster(first)) return status::kFileCorrupt;
    std::vector<Run> runs;
    LC_TRY(
        CollectRuns(static_cast<uint32_t>(first), (size + clusterBytes - 1) / clusterBytes, runs));
    std::vector<FileExtent> extents;
    LC_TRY(CheckedResize(extents, runs.size()));
    uint64_t offset = 0;
    for (size_t i = 0; i < runs.size(); ++i) {
        const uint64_t bytes = uint64_t{runs[i].count} * clusterBytes;
        extents[i] = {offset, bytes, ClusterToSector(runs[i].start) * m_bytesPerSector, false};
        offset += bytes;
    }
    return ExtentFileReader::Create(*m_volume, size, size, std::move(extents));
}

}  // namespace lc
