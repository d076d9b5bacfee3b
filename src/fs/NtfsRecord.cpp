#include "fs/NtfsRecord.h"

#include <algorithm>

#include "platform/ByteReader.h"

namespace lc::ntfs {

namespace {

template <class T>
Result<T> Corrupt() {
    return Result<T>::Failure(status::kFileCorrupt);
}

// The entries an index header at headerAt describes, its offsets relative to itself.
Result<IndexNode> ParseIndexHeader(std::span<const uint8_t> bytes, size_t headerAt) {
    FieldReader fields(bytes);
    const uint32_t first = fields.At<uint32_t>(headerAt + kHeaderEntriesOffset);
    const uint32_t used = fields.At<uint32_t>(headerAt + kHeaderIndexLength);
    const uint8_t flags = fields.At<uint8_t>(headerAt + kHeaderFlags);
    if (!fields.ok() || first > used) return Corrupt<IndexNode>();
    auto entries = ByteReader(bytes).Slice(headerAt + first, used - first);
    if (!entries) return Corrupt<IndexNode>();
    return IndexNode{*entries, (flags & kHeaderLargeIndex) != 0};
}

}  // namespace

Result<BootSector> ParseBootSector(std::span<const uint8_t> bytes) {
    FieldReader fields(bytes);
    BootSector boot;
    boot.bytesPerSector = fields.At<uint16_t>(kBootBytesPerSector);
    boot.sectorsPerCluster = fields.At<uint8_t>(kBootSectorsPerCluster);
    boot.totalSectors = fields.At<uint64_t>(kBootTotalSectors);
    boot.mftCluster = fields.At<uint64_t>(kBootMftCluster);
    boot.recordSize = fields.At<int8_t>(kBootRecordSize);
    boot.indexBufferSize = fields.At<int8_t>(kBootIndexBufferSize);
    if (!fields.ok() || bytes.size() < kMinBootSector) return Corrupt<BootSector>();
    return boot;
}

Status ApplyFixups(std::span<uint8_t> block, uint32_t magic) {
    if (block.size() < kFixupBlock || block.size() % kFixupBlock != 0) return status::kFileCorrupt;
    FieldReader fields(block);
    const uint32_t found = fields.At<uint32_t>(0);
    const uint16_t usaOffset = fields.At<uint16_t>(kUsaOffset);
    const uint16_t usaCount = fields.At<uint16_t>(kUsaCount);
    const size_t blocks = block.size() / kFixupBlock;
    // The array must sit in the first block, before that block's own fixed-up end.
    if (!fields.ok() || found != magic || usaCount != blocks + 1 || usaOffset % 2 != 0 ||
        usaOffset < 8 || usaOffset + 2u * usaCount > kFixupBlock - 2) {
        return status::kFileCorrupt;
    }
    // Every place below lies in the block: the array in the first 510 bytes, the ends at the
    // end of each whole 512-byte block.
    const uint16_t sequence = LoadLe<uint16_t>(block.data() + usaOffset);
    for (size_t i = 1; i <= blocks; ++i) {
        uint8_t* end = block.data() + i * kFixupBlock - 2;
        if (LoadLe<uint16_t>(end) != sequence) return status::kFileCorrupt;
        StoreLe<uint16_t>(end, LoadLe<uint16_t>(block.data() + usaOffset + 2 * i));
    }
    return status::kSuccess;
}

Result<RecordHeader> ParseRecordHeader(std::span<const uint8_t> record) {
    FieldReader fields(record);
    RecordHeader header;
    header.sequence = fields.At<uint16_t>(kRecordSequence);
    header.firstAttribute = fields.At<uint16_t>(kRecordFirstAttribute);
    header.flags = fields.At<uint16_t>(kRecordFlags);
    header.bytesInUse = fields.At<uint32_t>(kRecordBytesInUse);
    header.baseReference = fields.At<uint64_t>(kRecordBase);
    if (!fields.ok()) return Corrupt<RecordHeader>();
    return header;
}

Result<AttributeHeader> ParseAttributeHeader(std::span<const uint8_t> bytes, size_t offset) {
    FieldReader fields(bytes);
    AttributeHeader header;
    header.type = fields.At<uint32_t>(offset + kAttrType);
    header.length = fields.At<uint32_t>(offset + kAttrLength);
    header.nonResident = fields.At<uint8_t>(offset + kAttrNonResident) != 0;
    header.nameLength = fields.At<uint8_t>(offset + kAttrNameLength);
    header.flags = fields.At<uint16_t>(offset + kAttrFlags);
    if (!fields.ok() || header.length < kMinAttributeHeader ||
        header.length > bytes.size() - offset) {
        return Corrupt<AttributeHeader>();
    }
    return header;
}

Result<AttributeAt> FindAttribute(std::span<const uint8_t> record, uint32_t type, size_t from,
                                  bool unnamedOnly) {
    LC_TRY_ASSIGN(auto header, ParseRecordHeader(record));
    // The attributes end where the record's bytes in use do.
    std::span<const uint8_t> used =
        record.first(std::min<size_t>(record.size(), header.bytesInUse));
    ByteReader reader(used);
    size_t offset = from != 0 ? from : header.firstAttribute;
    // Every step moves on by at least a header's length, so the record's size bounds the walk.
    while (offset < used.size() && used.size() - offset >= 8) {
        if (reader.At<uint32_t>(offset + kAttrType) == kAttrEnd) break;
        LC_TRY_ASSIGN(auto attribute, ParseAttributeHeader(used, offset));
        if (attribute.type == type && (!unnamedOnly || attribute.nameLength == 0)) {
            return AttributeAt{offset, attribute};
        }
        offset += attribute.length;
    }
    return Result<AttributeAt>::Failure(status::kMoreData);
}

Result<std::span<const uint8_t>> ResidentValue(std::span<const uint8_t> record, size_t attribute) {
    using R = Result<std::span<const uint8_t>>;
    LC_TRY_ASSIGN(auto header, ParseAttributeHeader(record, attribute));
    FieldReader fields(record);
    const uint32_t valueLength = fields.At<uint32_t>(attribute + kAttrValueLength);
    const uint16_t valueOffset = fields.At<uint16_t>(attribute + kAttrValueOffset);
    if (!fields.ok() || header.nonResident || header.length < kMinResidentHeader ||
        valueOffset > header.length || valueLength > header.length - valueOffset) {
        return R::Failure(status::kFileCorrupt);
    }
    auto value = ByteReader(record).Slice(attribute + valueOffset, valueLength);
    if (!value) return R::Failure(status::kFileCorrupt);
    return *value;
}

Result<NonResident> ParseNonResident(std::span<const uint8_t> record, size_t attribute,
                                     uint64_t clusterCount) {
    LC_TRY_ASSIGN(auto header, ParseAttributeHeader(record, attribute));
    if (!header.nonResident || header.length < kMinNonResidentHeader) return Corrupt<NonResident>();
    // The header is whole: ParseAttributeHeader checked that its length lies in the record.
    std::span<const uint8_t> attr = record.subspan(attribute, header.length);
    FieldReader fields(attr);
    const uint16_t runOffset = fields.At<uint16_t>(kAttrRunListOffset);
    NonResident value;
    value.lowestVcn = fields.At<uint64_t>(kAttrLowestVcn);
    const uint64_t highestVcn = fields.At<uint64_t>(kAttrHighestVcn);
    value.dataSize = fields.At<uint64_t>(kAttrDataSize);
    value.initializedSize = std::min(value.dataSize, fields.At<uint64_t>(kAttrInitializedSize));
    value.compressionUnit = fields.At<uint8_t>(kAttrCompressionUnit);
    if (!fields.ok() || runOffset > attr.size()) return Corrupt<NonResident>();
    LC_TRY_ASSIGN(value.runs, NtfsRunList::Decode(attr.subspan(runOffset), clusterCount));
    // The piece must hold exactly the clusters its header claims (an empty value has none).
    if (!value.runs.empty() && (highestVcn < value.lowestVcn ||
                                highestVcn - value.lowestVcn + 1 != value.runs.VcnCount())) {
        return Corrupt<NonResident>();
    }
    return value;
}

Result<AttributeListEntry> ParseAttributeListEntry(std::span<const uint8_t> list, size_t offset) {
    FieldReader fields(list);
    AttributeListEntry entry;
    entry.type = fields.At<uint32_t>(offset + kListType);
    entry.length = fields.At<uint16_t>(offset + kListLength);
    entry.reference = fields.At<uint64_t>(offset + kListReference);
    if (!fields.ok() || offset > list.size() || list.size() - offset < kMinListEntry ||
        entry.length < kMinListEntry || entry.length > list.size() - offset) {
        return Corrupt<AttributeListEntry>();
    }
    return entry;
}

Result<StandardInformation> ParseStandardInformation(std::span<const uint8_t> value) {
    FieldReader fields(value);
    StandardInformation info;
    info.modified = fields.At<uint64_t>(kStdModified);
    info.attributes = fields.At<uint32_t>(kStdAttributes);
    if (!fields.ok() || value.size() < kMinStdInfo) return Corrupt<StandardInformation>();
    return info;
}

Result<FileNameValue> ParseFileName(std::span<const uint8_t> value) {
    FieldReader fields(value);
    FileNameValue name;
    name.modified = fields.At<uint64_t>(kFileNameModified);
    name.dataSize = fields.At<uint64_t>(kFileNameDataSize);
    name.flags = fields.At<uint32_t>(kFileNameFlags);
    const uint8_t units = fields.At<uint8_t>(kFileNameLength);
    name.nameSpace = fields.At<uint8_t>(kFileNameSpace);
    auto text = ByteReader(value).Slice(kFileNameText, 2u * units);
    if (!fields.ok() || !text) return Corrupt<FileNameValue>();
    name.name = *text;
    return name;
}

Result<IndexNode> ParseIndexRoot(std::span<const uint8_t> value) {
    auto indexed = ByteReader(value).At<uint32_t>(kRootIndexedType);
    if (!indexed || *indexed != kTypeFileName) return Corrupt<IndexNode>();
    return ParseIndexHeader(value, kRootHeader);
}

Result<IndexNode> ParseIndexBuffer(std::span<const uint8_t> buffer) {
    return ParseIndexHeader(buffer, kBufferHeader);
}

Result<IndexEntry> ParseIndexEntry(std::span<const uint8_t> entries, size_t offset) {
    FieldReader fields(entries);
    IndexEntry entry;
    entry.reference = fields.At<uint64_t>(offset + kEntryFileReference);
    entry.length = fields.At<uint16_t>(offset + kEntryLength);
    const uint16_t keyLength = fields.At<uint16_t>(offset + kEntryKeyLength);
    const uint16_t flags = fields.At<uint16_t>(offset + kEntryFlags);
    if (!fields.ok()) return Corrupt<IndexEntry>();
    entry.last = (flags & kEntryLast) != 0;
    if (entry.last) return entry;
    if (entry.length < kMinEntry || entry.length > entries.size() - offset ||
        keyLength < kFileNameText || keyLength > entry.length - kEntryKey) {
        return Corrupt<IndexEntry>();
    }
    entry.key = entries.subspan(offset + kEntryKey, keyLength);
    return entry;
}

std::u16string Utf16Le(std::span<const uint8_t> bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = LoadLe<uint16_t>(bytes.data() + 2 * i);
    return text;
}

std::u16string LinkTarget(std::span<const uint8_t> reparseValue) {
    ByteReader reader(reparseValue);
    auto tag = reader.At<uint32_t>(kReparseTag);
    size_t paths = 0;
    if (tag == kTagSymlink) {
        paths = kReparseData + kSymlinkPaths;
    } else if (tag == kTagMountPoint) {
        paths = kReparseData + kMountPointPaths;
    } else {
        return {};
    }
    auto name = [&](size_t field) -> std::u16string {
        FieldReader fields(reparseValue);
        const uint16_t offset = fields.At<uint16_t>(kReparseData + field);
        const uint16_t length = fields.At<uint16_t>(kReparseData + field + 2);
        auto bytes = reader.Slice(paths + offset, length);
        return fields.ok() && bytes ? Utf16Le(*bytes) : std::u16string{};
    };
    std::u16string target = name(4);
    if (target.empty()) {
        target = name(0);
        if (target.starts_with(u"\\??\\")) target.erase(0, 4);
    }
    return target;
}

}  // namespace lc::ntfs
