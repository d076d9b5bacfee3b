// NTFS on-disk records parsed through the checked reader: the boot sector, FILE record headers
// and their update sequences, attribute headers and values, attribute-list entries, index roots,
// index buffers and their entries, file names and standard information. Each parser returns a
// plain struct or 1392 (damaged); spans in the results point into the bytes parsed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "fs/NtfsRunList.h"
#include "fs/NtfsStructures.h"
#include "platform/Status.h"

namespace lc::ntfs {

struct BootSector {
    uint16_t bytesPerSector = 0;
    uint8_t sectorsPerCluster = 0;  // above 0x80: 2^(256 - value)
    uint64_t totalSectors = 0;
    uint64_t mftCluster = 0;
    int8_t recordSize = 0;  // > 0 clusters, < 0 2^-n bytes
    int8_t indexBufferSize = 0;
};
Result<BootSector> ParseBootSector(std::span<const uint8_t> bytes);

// Checks and removes the update sequence of a FILE record or index buffer: the last two bytes of
// each 512-byte block hold a sequence number, their real value sits in an array. 1392 when the
// magic or a sequence number does not match.
Status ApplyFixups(std::span<uint8_t> block, uint32_t magic);

struct RecordHeader {
    uint16_t sequence = 0;
    uint16_t firstAttribute = 0;
    uint16_t flags = 0;
    uint32_t bytesInUse = 0;
    uint64_t baseReference = 0;  // 0 in a base record
    bool InUse() const { return (flags & kRecordInUse) != 0; }
};
Result<RecordHeader> ParseRecordHeader(std::span<const uint8_t> record);

struct AttributeHeader {
    uint32_t type = 0;
    uint32_t length = 0;
    bool nonResident = false;
    uint8_t nameLength = 0;  // UTF-16 units; unnamed: 0
    uint16_t flags = 0;
};
// The header of the attribute at offset; 1392 when its length is below a header's or leaves
// the bytes.
Result<AttributeHeader> ParseAttributeHeader(std::span<const uint8_t> bytes, size_t offset);

struct AttributeAt {
    size_t offset = 0;
    AttributeHeader header;
};
// The first attribute of type at byte from of a FILE record (0: the record's first attribute),
// when unnamedOnly passing over attributes that carry a name; 234 when there is none, 1392 when
// the walk meets an attribute of a bad length.
Result<AttributeAt> FindAttribute(std::span<const uint8_t> record, uint32_t type, size_t from,
                                  bool unnamedOnly);

// The value of the resident attribute at offset.
Result<std::span<const uint8_t>> ResidentValue(std::span<const uint8_t> record, size_t attribute);

// One piece of a non-resident value: the runs it holds, from its lowest cluster on.
struct NonResident {
    NtfsRunList runs;
    uint64_t lowestVcn = 0;
    uint64_t dataSize = 0;  // these three: valid in the piece that starts at cluster 0
    uint64_t initializedSize = 0;
    uint8_t compressionUnit = 0;
};
Result<NonResident> ParseNonResident(std::span<const uint8_t> record, size_t attribute,
                                     uint64_t clusterCount);

struct AttributeListEntry {
    uint32_t type = 0;
    uint16_t length = 0;
    uint64_t reference = 0;  // of the record that holds the attribute
};
// The entry at offset of an attribute list; needs at least a whole entry's bytes.
Result<AttributeListEntry> ParseAttributeListEntry(std::span<const uint8_t> list, size_t offset);

struct StandardInformation {
    uint64_t modified = 0;  // FILETIME, UTC: the last write of the data
    uint32_t attributes = 0;
};
Result<StandardInformation> ParseStandardInformation(std::span<const uint8_t> value);

// A file-name value, also the key of a folder's index entry.
struct FileNameValue {
    uint64_t modified = 0;  // FILETIME, UTC
    uint64_t dataSize = 0;
    uint32_t flags = 0;
    uint8_t nameSpace = 0;
    std::span<const uint8_t> name;  // UTF-16LE
};
Result<FileNameValue> ParseFileName(std::span<const uint8_t> value);

// The entries of an index root or buffer, and whether the index continues in buffers.
struct IndexNode {
    std::span<const uint8_t> entries;
    bool largeIndex = false;
};
// An index root value; 1392 also when it indexes anything but file names.
Result<IndexNode> ParseIndexRoot(std::span<const uint8_t> value);
// An index buffer, fixups applied.
Result<IndexNode> ParseIndexBuffer(std::span<const uint8_t> buffer);

struct IndexEntry {
    uint64_t reference = 0;
    uint16_t length = 0;
    bool last = false;             // ends the node, carries no key
    std::span<const uint8_t> key;  // the file-name value
};
// The entry at offset of an index node's entries.
Result<IndexEntry> ParseIndexEntry(std::span<const uint8_t> entries, size_t offset);

// UTF-16LE bytes as text; an odd last byte is dropped.
std::u16string Utf16Le(std::span<const uint8_t> bytes);

// The target of a symbolic link or junction as stored: the print name, else the substitute name
// without its \??\ prefix. Empty for other reparse points and damaged values.
std::u16string LinkTarget(std::span<const uint8_t> reparseValue);

}  // namespace lc::ntfs
