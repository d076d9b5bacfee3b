// The part of the FAT reader that FAT12, FAT16 and FAT32 share: common boot-sector fields,
// directory entries (short names, long names, attributes, times), directories stored in cluster
// chains, and the copy of a file's data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "fs/FileSystemBase.h"

namespace lc {

class FAT : public FileSystemBase {
public:
    explicit FAT(Volume* volume) : FileSystemBase(volume) {}

    const char* RuntimeClassName() const override { return "FAT"; }

    // Common fields only; the variants finish the layout and name the root.
    Status ParseBootSector(std::span<const uint8_t> bootSector) override;
    // 1392 when the chain is shorter than size, loops, leaves the volume or starts at 0/1.
    Status CopyFileData(uint64_t first, File& output, uint64_t size) override;
    // The chain followed once into runs of clusters; the same codes as CopyFileData.
    Result<std::unique_ptr<FileReader>> OpenReader(uint64_t first, uint64_t size) override;

    // FAT entry values that end a chain normally.
    virtual bool IsEndOfChain(uint32_t value) const = 0;
    // The next cluster of a chain; 0 when the chain ends, normally or as corrupt.
    virtual uint64_t GetNextCluster(uint64_t cluster);
    // Where the entry of a cluster lies: sector index within the FAT, byte offset within it.
    uint32_t GetFatEntryOffset(uint32_t cluster, uint32_t& sectorIndex) const;
    // The byte position of a cluster's entry from the start of the FAT.
    virtual uint64_t FatEntryPosition(uint32_t cluster) const = 0;
    // The entry value at offset of buffer (odd: the cluster number is odd); 0 past the end.
    virtual uint32_t ReadFatEntry(std::span<const uint8_t> buffer, uint32_t offset,
                                  bool odd) const = 0;

    // Reads a directory stored in a cluster chain, reporting its entries.
    Status ReadDirectoryChain(uint64_t firstCluster);
    // Handles one 32-byte entry; sets end at the entry that closes the directory.
    Status ProcessDirEntry(std::span<const uint8_t> entry, bool& end);
    // Handles the whole 32-byte entries of region in order, up to the one that sets end.
    Status ProcessDirEntries(std::span<const uint8_t> region, bool& end);

    // The 8.3 name of an entry: code page 850 (a first byte 0x05 stands for 0xE5), case flags of
    // byte 12, labels as 11 characters.
    static std::u16string DecodeShortName(std::span<const uint8_t> entry);
    // Each byte becomes the code unit of the same value.
    static std::u16string BytesToName(std::span<const uint8_t> bytes);
    // Bytes in the OEM code page (850), as the boot sector's label is stored.
    static std::u16string OemBytesToName(std::span<const uint8_t> bytes);
    static void TrimTrailingWhiteSpace(std::u16string& text);
    // The checksum of the 11 short-name bytes as stored, which every long-name entry repeats.
    static uint8_t ShortNameChecksum(std::span<const uint8_t> entry);

    uint32_t FirstDataSector() const { return m_firstDataSector; }
    uint16_t FatStartSector() const { return m_fatStartSector; }
    uint32_t FatSize() const { return m_fatSize; }
    uint32_t ClusterCount() const { return m_clusterCount; }
    uint32_t BytesPerCluster() const {
        return static_cast<uint32_t>(m_bytesPerSector) * m_sectorsPerCluster;
    }

protected:
    enum class ChainStep { kNext, kEnd, kCorrupt };

    // Bytes ReadFatEntry needs at an entry's offset.
    virtual uint32_t FatEntryBytes() const = 0;
    // The highest cluster number the variant can address.
    virtual uint32_t MaxClusterNumber() const = 0;
    // FAT12/16 keep other data in the high cluster word of an entry.
    virtual bool UsesClusterHighWord() const { return false; }

    // Derives the cluster count and the FAT extent once the variant has set the layout.
    void FinishLayout();
    // Starts a walk of the whole tree: nothing read yet, at the root.
    void BeginTreeWalk();
    // The result of reading the folder being reported: a failure that need not end the walk
    // marks the folder damaged and becomes success.
    Status MarkDamaged(Status result);
    // The FAT entry of cluster, classified; next is set for kNext.
    ChainStep NextCluster(uint32_t cluster, uint32_t& next);
    uint64_t ClusterToSector(uint32_t cluster) const;
    // Reads count sectors of the file system's own size, starting at its sector firstSector.
    Status ReadFsSectors(uint64_t firstSector, uint64_t count, std::span<uint8_t> buffer);
    bool IsValidCluster(uint64_t cluster) const { return cluster >= 2 && cluster <= m_lastCluster; }

    // Long-name entries since the last short entry: the name so far, whether the sequence is
    // still whole, the ordinal the next entry must carry (0: complete) and the checksum they share.
    std::u16string m_pendingLongName;
    bool m_longNameOpen = false;
    uint8_t m_longNameNextOrdinal = 0;
    uint8_t m_longNameChecksum = 0;
    uint32_t m_firstDataSector = 0;
    uint16_t m_fatStartSector = 0;
    uint32_t m_fatSize = 0;
    uint32_t m_clusterCount = 0;
    uint32_t m_lastCluster = 0;     // highest valid cluster number; below 2 when there is none
    uint32_t m_directoryDepth = 0;  // 0 while the root directory is read
    uint64_t m_directoryClustersRead = 0;  // during the current walk

private:
    struct Run {
        uint32_t start;
        uint32_t count;
    };

    std::optional<uint32_t> FatEntryValue(uint32_t cluster);
    std::optional<uint8_t> FatByte(uint64_t offset);
    Status CollectRuns(uint32_t first, uint64_t clustersNeeded, std::vector<Run>& runs);
    void AppendLongNamePiece(std::span<const uint8_t> entry);
    void DropLongName();

    // The first FAT, read lazily in chunks and kept: chains are then followed in memory.
    uint64_t m_fatBytes = 0;
    uint32_t m_fatChunkSectors = 0;
    std::vector<std::vector<uint8_t>> m_fatChunks;
    std::vector<bool> m_fatChunkFailed;
    // The first failure to read a piece of the FAT: a tree walk that meets it ends there.
    Status m_fatError = status::kSuccess;

    // Directory clusters read during the current tree walk; meeting one again means a loop.
    std::unordered_set<uint32_t> m_directoryClusters;
};

}  // namespace lc
