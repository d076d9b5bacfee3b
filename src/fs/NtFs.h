// NTFS reader: lists folders and files from the MFT (label from record 3, tree from record 5)
// and copies plain file data, resident or in data runs. Compressed and encrypted data, attribute
// lists and alternate data streams are not read.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <unordered_set>
#include <vector>

#include "fs/FileSystemBase.h"
#include "fs/NtfsRunList.h"

namespace lc {

class NtFs : public FileSystemBase {
public:
    explicit NtFs(Volume* volume) : FileSystemBase(volume) {}

    const char* RuntimeClassName() const override { return "NtFs"; }

    // 1392 when the image cannot be read: the MFT, record 3 or the root index is damaged.
    // Damage inside a subfolder leaves the rest of the tree listed; the first such status is
    // returned at the end.
    Status ReadDirectoryTree() override;
    // first is the MFT record number. 1392 when the data is damaged or shorter than size; 50 for
    // compressed or encrypted data.
    Status CopyFileData(uint64_t first, File& output, uint64_t size) override;
    // 1392 (also for every later call) when the geometry is not one the reader can use.
    Status ParseBootSector(std::span<const uint8_t> bootSector) override;

    // Offset of the first attribute of type in a FILE record (fixups applied); 234 when there is
    // none, 1392 when the walk meets an attribute of length 0 or one that leaves the record.
    static Result<size_t> FindAttribute(std::span<const uint8_t> record, uint32_t type);
    // As FindAttribute, starting at the attribute at byte from (0: the record's first), and
    // when unnamedOnly passing over attributes that carry a name (alternate streams, say).
    static Result<size_t> FindAttributeFrom(std::span<const uint8_t> record, uint32_t type,
                                            size_t from, bool unnamedOnly);
    // Checks and removes the update sequence of a FILE record or index buffer; 1392 when the
    // magic or a sequence number does not match.
    static Status ApplyFixups(std::span<uint8_t> block, uint32_t magic);

    struct RecordPlace {
        uint64_t cluster = 0;
        uint32_t byteOffset = 0;  // of the record's first byte within the cluster
    };
    // Where record n starts on the volume; 1392 beyond the MFT. Records can be smaller than a
    // cluster, hence the byte offset. Valid once ReadDirectoryTree has read the MFT.
    Result<RecordPlace> RecordToCluster(uint64_t record) const;

    uint32_t ClusterBytes() const { return m_clusterBytes; }
    uint32_t RecordBytes() const { return m_recordBytes; }
    uint32_t IndexBufferBytes() const { return m_indexBytes; }
    uint64_t MftCluster() const { return m_mftCluster; }
    uint64_t RecordCount() const { return m_recordCount; }

private:
    struct Entry {
        uint64_t record = 0;
        std::u16string name;
        uint64_t modified = 0;  // FILETIME, UTC
        uint64_t size = 0;
        uint32_t flags = 0;
    };

    // Reads byteCount bytes at byte offset of the volume (both multiples of 512).
    Status ReadVolumeBytes(uint64_t offset, std::span<uint8_t> out);
    // Reads part of a non-resident value (offset and size multiples of 512); holes give zeros.
    Status ReadStream(const NtfsRunList& runs, uint64_t offset, std::span<uint8_t> out);
    Status ReadMft();
    // Record n with its fixups applied and its header checked.
    Status ReadRecord(uint64_t record, std::vector<uint8_t>& out);
    // As ReadRecord, through a cache of neighbouring records (entries of one folder tend to
    // have neighbouring records).
    Status ReadRecordCached(uint64_t record, std::vector<uint8_t>& out);
    Status CheckRecord(std::span<uint8_t> record);
    // The whole value of an attribute, resident or not, up to maxBytes.
    Status ReadAttributeValue(std::span<const uint8_t> record, size_t attribute, uint64_t maxBytes,
                              std::vector<uint8_t>& out);
    Status ReadVolumeLabel();
    Status ReadDirectory(uint64_t record, unsigned depth);
    Status CollectEntries(std::span<const uint8_t> region, std::vector<Entry>& entries);
    Status CollectIndexBuffers(std::span<const uint8_t> record, std::vector<Entry>& entries);
    // The first non-DOS file name in the file's own record, or the entry's name.
    std::u16string LookUpName(const Entry& entry);
    Status CopyNonResident(std::span<const uint8_t> record, size_t attribute, File& output,
                           uint64_t size);

    Status m_geometry = status::kFileCorrupt;  // 0 once ParseBootSector found a usable layout
    uint32_t m_clusterBytes = 0;
    uint32_t m_recordBytes = 0;
    uint32_t m_indexBytes = 0;
    uint64_t m_clusterCount = 0;
    uint64_t m_mftCluster = 0;
    NtfsRunList m_mftRuns;
    uint64_t m_recordCount = 0;

    std::vector<uint8_t> m_cache;
    uint64_t m_cacheFirst = 0;
    uint64_t m_cacheCount = 0;

    // Folders read during the current tree walk: met again, a folder is a loop.
    std::unordered_set<uint64_t> m_directories;
};

}  // namespace lc
