#include "fs/FAT.h"

#include <algorithm>
#include <new>
#include <stdexcept>

#include "fs/DosTime.h"
#include "fs/FatStructures.h"
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

// Windows-1252 for the bytes 0x80..0x9F; the bytes it leaves undefined keep their value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char16_t FromCp1252(uint8_t byte) {
    if (byte >= 0x80 && byte < 0xA0) return kCp1252High[byte - 0x80];
    return byte;
}

// Lower case for every upper-case letter Windows-1252 can hold.
char16_t ToLower(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 0x20);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 0x20);
    switch (c) {
        case 0x0160:
            return 0x0161;
        case 0x0152:
            return 0x0153;
        case 0x017D:
            return 0x017E;
        case 0x0178:
            return 0x00FF;
        default:
            return c;
    }
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
    ByteReader boot(bootSector);
    if (boot.size() < fat::kMinBootSector16) return status::kSuccess;
    m_bytesPerSector = *boot.At<uint16_t>(fat::kBytesPerSector);
    m_sectorsPerCluster = *boot.At<uint8_t>(fat::kSectorsPerCluster);
    m_fatStartSector = *boot.At<uint16_t>(fat::kReservedSectors);
    uint32_t total = *boot.At<uint32_t>(fat::kTotalSectors32);
    if (total == 0) total = *boot.At<uint16_t>(fat::kTotalSectors16);
    m_sectorCount = total;
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

std::u16string FAT::DecodeShortName(std::span<const uint8_t> entry) {
    ByteReader reader(entry);
    auto nameBytes = reader.Slice(fat::kShortName, fat::kShortNameLength);
    if (!nameBytes) return {};
    char16_t chars[fat::kShortNameLength];
    for (size_t i = 0; i < fat::kShortNameLength; ++i) chars[i] = FromCp1252((*nameBytes)[i]);

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
    if (!TryResize(m_fatChunks, chunkCount) || !TryResize(m_fatChunkFailed, chunkCount)) {
        m_fatBytes = 0;
        m_fatChunks.clear();
        m_fatChunkFailed.clear();
    }
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
        if (!TryResize(loaded, static_cast<size_t>(count) * m_bytesPerSector) ||
            m_volume->ReadSectors(m_fatStartSector + firstSector, count, loaded) !=
                status::kSuccess) {
            m_fatChunkFailed[chunk] = true;
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

uint64_t FAT::ClusterToSector(uint32_t cluster) const {
    return static_cast<uint64_t>(cluster - fat::kFirstDataCluster) * m_sectorsPerCluster +
           m_firstDataSector;
}

void FAT::BeginTreeWalk() {
    m_pendingLongName.clear();
    m_directoryClusters.clear();
    m_directoryDepth = 0;
}

Status FAT::ReadDirectoryChain(uint64_t firstCluster) {
    if (!IsValidCluster(firstCluster)) return status::kFileCorrupt;
    std::vector<uint8_t> buffer;
    if (!TryResize(buffer, BytesPerCluster())) return status::kNotEnoughMemory;

    auto cluster = static_cast<uint32_t>(firstCluster);
    bool end = false;
    while (!end) {
        // Every directory cluster is read once per walk: a second visit is a loop in a chain
        // or a directory that contains itself or an ancestor.
        if (!m_directoryClusters.insert(cluster).second) return status::kFileCorrupt;
        LC_TRY(m_volume->ReadSectors(ClusterToSector(cluster), m_sectorsPerCluster, buffer));
        for (size_t offset = 0; offset + fat::kDirEntrySize <= buffer.size() && !end;
             offset += fat::kDirEntrySize) {
            LC_TRY(ProcessDirEntry(
                std::span<const uint8_t>(buffer).subspan(offset, fat::kDirEntrySize), end));
        }
        if (end) break;
        uint32_t next = 0;
        ChainStep step = NextCluster(cluster, next);
        if (step == ChainStep::kEnd) break;
        if (step == ChainStep::kCorrupt) return status::kFileCorrupt;
        cluster = next;
    }
    return status::kSuccess;
}

Status FAT::AppendLongNamePiece(std::span<const uint8_t> entry) {
    struct Part {
        size_t offset;
        size_t chars;
    };
    static constexpr Part kParts[] = {{fat::kLongName1, fat::kLongName1Chars},
                                      {fat::kLongName2, fat::kLongName2Chars},
                                      {fat::kLongName3, fat::kLongName3Chars}};
    ByteReader reader(entry);
    std::u16string piece;
    for (const Part& part : kParts) {
        for (size_t i = 0; i < part.chars; ++i) {
            auto c = reader.At<uint16_t>(part.offset + 2 * i);
            if (!c || *c == 0) break;
            piece.push_back(static_cast<char16_t>(*c));
        }
    }
    // 0xFFFF is the fill after the terminating 0: the piece ends there.
    auto fill = piece.find(u'\xFFFF');
    if (fill != std::u16string::npos) piece.resize(fill);
    if (piece.empty()) return status::kSuccess;
    if (m_pendingLongName.size() > fat::kMaxPendingLongName) {
        m_pendingLongName.resize(fat::kMaxPendingLongName);
    }
    // Entries are stored last piece first: each piece goes in front of those met before it.
    m_pendingLongName.insert(0, piece);
    return status::kSuccess;
}

Status FAT::ProcessDirEntry(std::span<const uint8_t> entry, bool& end) {
    ByteReader reader(entry);
    if (reader.size() < fat::kDirEntrySize) return status::kFileCorrupt;
    uint8_t first = *reader.At<uint8_t>(fat::kShortName);
    uint8_t attributes = *reader.At<uint8_t>(fat::kAttributes);
    bool longName = (attributes & fat::kAttrLongNameMask) == fat::kAttrLongNameMask;

    if (first == fat::kEntryDeleted) return status::kSuccess;
    if (first == fat::kEntryKanjiE5 && !longName) return status::kSuccess;
    if (first == fat::kEntryFree) {
        end = true;
        return status::kSuccess;
    }
    if (first == fat::kEntryDot && !longName) return status::kSuccess;
    if (longName) return AppendLongNamePiece(entry);

    std::u16string name =
        m_pendingLongName.empty() ? DecodeShortName(entry) : std::move(m_pendingLongName);
    m_pendingLongName.clear();
    uint32_t modified =
        DosTime::Pack(*reader.At<uint16_t>(fat::kWriteDate), *reader.At<uint16_t>(fat::kWriteTime));
    uint32_t cluster = *reader.At<uint16_t>(fat::kClusterLow);
    if (UsesClusterHighWord()) {
        cluster |= static_cast<uint32_t>(*reader.At<uint16_t>(fat::kClusterHigh)) << 16;
    }

    if (attributes & fat::kAttrDirectory) {
        m_volume->AddDirectory(std::move(name), modified);
        m_volume->EnterDirectory();
        Status result = status::kFileCorrupt;
        if (m_directoryDepth < fat::kMaxDirectoryDepth) {
            ++m_directoryDepth;
            result = ReadDirectoryChain(cluster);
            --m_directoryDepth;
        }
        m_volume->LeaveDirectory();
        return result;
    }
    if (attributes & fat::kAttrVolumeLabel) {
        // Only the root directory names the volume; a label entry elsewhere means nothing.
        if (m_directoryDepth == 0) m_volume->SetVolumeLabel(DecodeShortName(entry));
        return status::kSuccess;
    }
    m_volume->AddFile(std::move(name), *reader.At<uint32_t>(fat::kFileSize), modified, cluster,
                      attributes);
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
            try {
                runs.push_back({cluster, 1});
            } catch (const std::bad_alloc&) {
                return status::kNotEnoughMemory;
            }
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
    try {
        sorted = runs;
    } catch (const std::bad_alloc&) {
        return status::kNotEnoughMemory;
    }
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
        if (result == status::kSuccess && !TryResize(buffer, blockClusters * clusterBytes)) {
            result = status::kNotEnoughMemory;
        }
    }

    const uint64_t blockClusters = clusterBytes ? buffer.size() / clusterBytes : 0;
    for (size_t r = 0; r < runs.size() && result == status::kSuccess && remaining > 0; ++r) {
        uint32_t start = runs[r].start;
        uint32_t left = runs[r].count;
        while (left > 0 && remaining > 0) {
            auto clusters = static_cast<uint32_t>(std::min<uint64_t>(left, blockClusters));
            size_t bytes = static_cast<size_t>(clusters) * clusterBytes;
            std::span<uint8_t> block(buffer.data(), bytes);
            result = m_volume->ReadSectors(ClusterToSector(start), clusters * m_sectorsPerCluster,
                                           block);
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

}  // namespace lc
