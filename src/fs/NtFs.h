// NTFS reader: lists folders and files from the MFT (label from record 3, tree from record 5)
// and copies file data: resident, in data runs, sparse or LZNT1-compressed, in the base record
// or in the extension records an attribute list names. Encrypted data and alternate data
// streams are not read.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "fs/FileSystemBase.h"
#include "fs/NtfsRunList.h"

namespace lc {

class NtFs : public FileSystemBase {
public:
    explicit NtFs(Volume* volume) : FileSystemBase(volume) {}

    const char* RuntimeClassName() const override { return "NtFs"; }

    // 1392 when the image cannot be read: the MFT, record 3 or the root's index root is
    // damaged. A folder whose contents cannot be read whole is marked damaged and the walk goes
    // on.
    Status ReadDirectoryTree() override;
    // first is the MFT record number. Writes from the output's current position; holes are
    // skipped (the position moves on, the length is set at the end) where the output can seek.
    // 1392 when the data is damaged or shorter than size; 50 for encrypted data.
    Status CopyFileData(uint64_t first, File& output, uint64_t size) override;
    // The data attribute's runs, holes and compression units mapped once; the same codes as
    // CopyFileData.
    Result<std::unique_ptr<FileReader>> OpenReader(uint64_t first, uint64_t size) override;
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
    friend class NtfsCompressedReader;

    struct Entry {
        uint64_t record = 0;
        std::u16string name;
        uint64_t modified = 0;  // FILETIME, UTC
        uint64_t size = 0;
        uint32_t flags = 0;
    };
    // A file's records: the base record, then the extension records its attribute list names.
    struct FileRecords {
        std::vector<std::vector<uint8_t>> records;
        bool hasList = false;
        // Every attribute of type, record by record; unnamedOnly passes over named ones.
        std::vector<std::pair<std::span<const uint8_t>, size_t>> Find(uint32_t type,
                                                                      bool unnamedOnly) const;
    };
    // What the listing reports of a file, from its own records.
    struct Facts {
        uint64_t size = 0;
        uint64_t modified = 0;
        uint32_t attributes = 0;
        std::u16string linkTarget;
    };
    // The value of an attribute: resident bytes, or runs joined from every piece.
    struct Stream {
        bool resident = false;
        std::span<const uint8_t> bytes;  // resident: within the file's records
        NtfsRunList runs;
        uint64_t dataSize = 0;
        uint64_t initializedSize = 0;
        uint16_t flags = 0;
        uint32_t unitBytes = 0;  // compressed: bytes per compression unit
    };

    // Reads byteCount bytes at byte offset of the volume (both multiples of 512).
    Status ReadVolumeBytes(uint64_t offset, std::span<uint8_t> out);
    // Reads part of a non-resident value (offset and size multiples of 512); holes give zeros.
    Status ReadStream(const NtfsRunList& runs, uint64_t offset, std::span<uint8_t> out);
    Status ReadMft();
    // Record n with its fixups applied and its header checked.
    Status ReadRecord(uint64_t record, std::vector<uint8_t>& out);
    Status CheckRecord(std::span<uint8_t> record);
    // Record n and the extension records of its attribute list, each checked.
    // prefetched: the base record as read from the MFT, if it was read already.
    Status ReadFileRecords(uint64_t record, FileRecords& out,
                           std::span<const uint8_t> prefetched = {});
    // The whole value of an attribute, resident or not, up to maxBytes.
    Status ReadAttributeValue(std::span<const uint8_t> record, size_t attribute, uint64_t maxBytes,
                              std::vector<uint8_t>& out);
    // The value of the attribute of type, joined from its pieces; 234 when there is none.
    Status LoadStream(const FileRecords& file, uint32_t type, bool unnamedOnly, Stream& out);
    Status ReadFacts(const FileRecords& file, Facts& out);
    Status ReadVolumeLabel();
    // Reads a folder and reports its entries; a folder that cannot be read whole is marked.
    // Fails only when not a single entry could be read.
    Status ReadDirectory(uint64_t record, unsigned depth);
    Status CollectEntries(std::span<const uint8_t> region, std::vector<Entry>& entries);
    Status CollectIndexBuffers(const FileRecords& file, std::vector<Entry>& entries);
    // Claims the volume bytes [offset, offset + bytes) of an index buffer for this walk; 1392 when
    // any of it was claimed before.
    Status ClaimIndexBuffer(const NtfsRunList& runs, uint64_t offset);
    // The facts of each entry, from its records or else from the entry.
    void ReadFactsBatch(std::span<const Entry> entries, std::vector<Facts>& facts);
    // Reports entry (its name moved out) and reads it when it is a folder.
    void ReportEntry(Entry& entry, Facts facts, unsigned depth);
    Status CopyStream(const Stream& stream, File& output, uint64_t size);
    // The compression unit that starts at byte position of a compressed value, decoded into
    // unit; hole when it holds no data (zeros).
    Status ReadUnit(const Stream& stream, uint64_t position, std::vector<uint8_t>& unit,
                    std::vector<uint8_t>& packed, bool& hole);

    Status m_geometry = status::kFileCorrupt;  // 0 once ParseBootSector found a usable layout
    uint32_t m_clusterBytes = 0;
    uint32_t m_recordBytes = 0;
    uint32_t m_indexBytes = 0;
    uint64_t m_clusterCount = 0;
    uint64_t m_mftCluster = 0;
    NtfsRunList m_mftRuns;
    uint64_t m_recordCount = 0;

    // Folders read during the current tree walk: met again, a folder is a loop.
    std::unordered_set<uint64_t> m_directories;
    // Index-buffer pieces read during the current walk, by volume offset / m_claimUnit.
    std::unordered_set<uint64_t> m_claimed;
    // Facts of files with extension records, read once per walk however many names they have.
    // (Empty: the records could not be read.)
    std::unordered_map<uint64_t, std::optional<Facts>> m_factsCache;
    // Bytes of non-resident values ReadAttributeValue may still read in this walk.
    uint64_t m_readBudget = UINT64_MAX;
};

}  // namespace lc
