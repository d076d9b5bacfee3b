#include "fs/NtFs.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "fs/DosTime.h"
#include "fs/NtfsStructures.h"
#include "fs/Volume.h"
#include "platform/ByteReader.h"
#include "platform/File.h"
#include "platform/Memory.h"

namespace lc {

namespace {

constexpr uint64_t kSector = Volume::kSectorSize;
// File data is read in blocks of up to this size; each contiguous piece is one sector read.
constexpr size_t kCopyBlock = 4u << 20;
// Records read at once for name lookups.
constexpr size_t kCacheBytes = 64u << 10;
// Far more than the bitmap of any real folder index (8 million index buffers).
constexpr uint64_t kMaxIndexBitmapBytes = 1u << 20;

Status Corrupt() {
    return status::kFileCorrupt;
}

uint64_t RoundUpToSector(uint64_t bytes) {
    return (bytes + kSector - 1) / kSector * kSector;
}

std::u16string Utf16Le(std::span<const uint8_t> bytes) {
    std::u16string text(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i) text[i] = LoadLe<uint16_t>(bytes.data() + 2 * i);
    return text;
}

// Record and index-buffer sizes: a positive count of clusters, or -n for 2^n bytes. 0 when the
// result is not a size the reader can use.
uint32_t DecodeBlockSize(int8_t value, uint32_t clusterBytes) {
    uint64_t bytes = 0;
    if (value > 0) {
        bytes = static_cast<uint64_t>(value) * clusterBytes;
    } else if (value < 0 && -value < 32) {
        bytes = uint64_t{1} << -value;
    }
    if (bytes < ntfs::kMinRecordBytes || bytes > ntfs::kMaxRecordBytes ||
        (bytes & (bytes - 1)) != 0) {
        return 0;
    }
    return static_cast<uint32_t>(bytes);
}

Result<std::span<const uint8_t>> ResidentValue(std::span<const uint8_t> record, size_t attribute) {
    using R = Result<std::span<const uint8_t>>;
    ByteReader reader(record);
    auto length = reader.At<uint32_t>(attribute + ntfs::kAttrLength);
    auto nonResident = reader.At<uint8_t>(attribute + ntfs::kAttrNonResident);
    auto valueLength = reader.At<uint32_t>(attribute + ntfs::kAttrValueLength);
    auto valueOffset = reader.At<uint16_t>(attribute + ntfs::kAttrValueOffset);
    if (!length || !nonResident || !valueLength || !valueOffset || *nonResident != 0 ||
        *length < ntfs::kMinResidentHeader || *valueOffset > *length ||
        *valueLength > *length - *valueOffset) {
        return R::Failure(status::kFileCorrupt);
    }
    auto value = reader.Slice(attribute + *valueOffset, *valueLength);
    if (!value) return R::Failure(status::kFileCorrupt);
    return *value;
}

struct NonResident {
    NtfsRunList runs;
    uint64_t dataSize = 0;
    uint64_t initializedSize = 0;
};

Result<NonResident> ParseNonResident(std::span<const uint8_t> record, size_t attribute,
                                     uint64_t clusterCount, uint32_t clusterBytes) {
    using R = Result<NonResident>;
    ByteReader reader(record);
    auto length = reader.At<uint32_t>(attribute + ntfs::kAttrLength);
    auto nonResident = reader.At<uint8_t>(attribute + ntfs::kAttrNonResident);
    if (!length || !nonResident || *nonResident == 0 || *length < ntfs::kMinNonResidentHeader) {
        return R::Failure(status::kFileCorrupt);
    }
    auto attr = reader.Sub(attribute, *length);
    if (!attr) return R::Failure(status::kFileCorrupt);
    // Only the first piece of a value split over several records (an attribute list) is here.
    if (*attr->At<uint64_t>(ntfs::kAttrLowestVcn) != 0) return R::Failure(status::kNotSupported);
    uint16_t runOffset = *attr->At<uint16_t>(ntfs::kAttrRunListOffset);
    if (runOffset > attr->size()) return R::Failure(status::kFileCorrupt);
    auto runBytes = *attr->Slice(runOffset, attr->size() - runOffset);
    auto runs = NtfsRunList::Decode(runBytes, clusterCount);
    if (!runs) return R::Failure(runs.status());

    NonResident value;
    value.runs = std::move(*runs);
    value.dataSize = *attr->At<uint64_t>(ntfs::kAttrDataSize);
    value.initializedSize =
        std::min(value.dataSize, *attr->At<uint64_t>(ntfs::kAttrInitializedSize));
    // The runs must hold the whole value, in bytes that fit 64 bits.
    uint64_t vcns = value.runs.VcnCount();
    if (vcns > UINT64_MAX / clusterBytes || value.dataSize > vcns * clusterBytes) {
        return R::Failure(status::kFileCorrupt);
    }
    return value;
}

}  // namespace

Status NtFs::ParseBootSector(std::span<const uint8_t> bootSector) {
    m_geometry = status::kFileCorrupt;
    m_mftRuns = {};
    m_recordCount = 0;
    m_cacheCount = 0;
    ByteReader boot(bootSector);
    if (boot.size() < ntfs::kMinBootSector) return m_geometry;

    m_bytesPerSector = *boot.At<uint16_t>(ntfs::kBootBytesPerSector);
    m_sectorsPerCluster = *boot.At<uint8_t>(ntfs::kBootSectorsPerCluster);
    m_sectorCount = *boot.At<uint64_t>(ntfs::kBootTotalSectors);
    m_mftCluster = *boot.At<uint64_t>(ntfs::kBootMftCluster);

    uint32_t bytesPerSector = m_bytesPerSector;
    if (bytesPerSector < kSector || bytesPerSector > 4096 ||
        (bytesPerSector & (bytesPerSector - 1)) != 0) {
        return m_geometry;
    }
    // Large clusters store the count of sectors as a negative power of two.
    uint64_t sectorsPerCluster = m_sectorsPerCluster;
    if (sectorsPerCluster > 0x80) {
        unsigned shift = 256 - m_sectorsPerCluster;
        if (shift > 20) return m_geometry;
        sectorsPerCluster = uint64_t{1} << shift;
    }
    uint64_t clusterBytes = sectorsPerCluster * bytesPerSector;
    if (clusterBytes == 0 || clusterBytes > ntfs::kMaxClusterBytes) return m_geometry;
    if (m_sectorCount == 0 || m_sectorCount > ntfs::kMaxTotalSectors) return m_geometry;
    m_clusterBytes = static_cast<uint32_t>(clusterBytes);
    m_clusterCount = m_sectorCount * bytesPerSector / clusterBytes;
    if (m_mftCluster >= m_clusterCount) return m_geometry;

    m_recordBytes = DecodeBlockSize(static_cast<int8_t>(*boot.At<uint8_t>(ntfs::kBootRecordSize)),
                                    m_clusterBytes);
    m_indexBytes = DecodeBlockSize(
        static_cast<int8_t>(*boot.At<uint8_t>(ntfs::kBootIndexBufferSize)), m_clusterBytes);
    if (m_recordBytes == 0 || m_indexBytes == 0) return m_geometry;
    m_geometry = status::kSuccess;
    return m_geometry;
}

Status NtFs::ApplyFixups(std::span<uint8_t> block, uint32_t magic) {
    ByteReader reader(block);
    if (block.size() < ntfs::kFixupBlock || block.size() % ntfs::kFixupBlock != 0) return Corrupt();
    if (reader.At<uint32_t>(0) != magic) return Corrupt();
    uint16_t usaOffset = *reader.At<uint16_t>(ntfs::kUsaOffset);
    uint16_t usaCount = *reader.At<uint16_t>(ntfs::kUsaCount);
    size_t blocks = block.size() / ntfs::kFixupBlock;
    // The array must sit in the first block, before that block's own fixed-up end.
    if (usaCount != blocks + 1 || usaOffset % 2 != 0 || usaOffset < 8 ||
        usaOffset + 2u * usaCount > ntfs::kFixupBlock - 2) {
        return Corrupt();
    }
    uint16_t sequence = LoadLe<uint16_t>(block.data() + usaOffset);
    for (size_t i = 1; i <= blocks; ++i) {
        uint8_t* end = block.data() + i * ntfs::kFixupBlock - 2;
        if (LoadLe<uint16_t>(end) != sequence) return Corrupt();
        StoreLe<uint16_t>(end, LoadLe<uint16_t>(block.data() + usaOffset + 2 * i));
    }
    return status::kSuccess;
}

Result<size_t> NtFs::FindAttribute(std::span<const uint8_t> record, uint32_t type) {
    return FindAttributeFrom(record, type, 0, false);
}

Result<size_t> NtFs::FindAttributeFrom(std::span<const uint8_t> record, uint32_t type, size_t from,
                                       bool unnamedOnly) {
    ByteReader reader(record);
    auto first = reader.At<uint16_t>(ntfs::kRecordFirstAttribute);
    auto inUse = reader.At<uint32_t>(ntfs::kRecordBytesInUse);
    if (!first || !inUse) return Result<size_t>::Failure(status::kFileCorrupt);
    size_t end = std::min<size_t>(record.size(), *inUse);
    size_t offset = from != 0 ? from : *first;
    // Every step moves on by at least a header's length, so the record's size bounds the walk.
    while (offset < end && end - offset >= 8) {
        uint32_t attrType = *reader.At<uint32_t>(offset + ntfs::kAttrType);
        if (attrType == ntfs::kAttrEnd) break;
        uint32_t length = *reader.At<uint32_t>(offset + ntfs::kAttrLength);
        if (length < 16 || length > end - offset) {
            return Result<size_t>::Failure(status::kFileCorrupt);
        }
        if (attrType == type && (!unnamedOnly || record[offset + ntfs::kAttrNameLength] == 0)) {
            return offset;
        }
        offset += length;
    }
    return Result<size_t>::Failure(status::kMoreData);
}

Result<NtFs::RecordPlace> NtFs::RecordToCluster(uint64_t record) const {
    using R = Result<RecordPlace>;
    if (m_geometry != status::kSuccess) return R::Failure(m_geometry);
    if (record >= m_recordCount) return R::Failure(status::kFileCorrupt);
    uint64_t byte = record * m_recordBytes;
    uint64_t vcn = byte / m_clusterBytes;
    const NtfsRun* run = m_mftRuns.Find(vcn);
    if (!run || run->sparse) return R::Failure(status::kFileCorrupt);
    RecordPlace place;
    place.cluster = run->lcn + (vcn - run->vcn);
    place.byteOffset = static_cast<uint32_t>(byte % m_clusterBytes);
    return place;
}

Status NtFs::ReadVolumeBytes(uint64_t offset, std::span<uint8_t> out) {
    // Callers keep both to whole sectors and the size to a few MiB.
    return m_volume->ReadSectors(offset / kSector, static_cast<uint32_t>(out.size() / kSector),
                                 out);
}

Status NtFs::ReadStream(const NtfsRunList& runs, uint64_t offset, std::span<uint8_t> out) {
    uint64_t position = offset;
    size_t done = 0;
    // Each pass finishes a run or the request.
    while (done < out.size()) {
        uint64_t vcn = position / m_clusterBytes;
        const NtfsRun* run = runs.Find(vcn);
        if (!run) return Corrupt();
        uint64_t runStart = run->vcn * m_clusterBytes;
        uint64_t runEnd = (run->vcn + run->length) * m_clusterBytes;
        size_t piece =
            static_cast<size_t>(std::min<uint64_t>(runEnd - position, out.size() - done));
        std::span<uint8_t> part = out.subspan(done, piece);
        if (run->sparse) {
            std::fill(part.begin(), part.end(), uint8_t{0});
        } else {
            LC_TRY(ReadVolumeBytes(run->lcn * m_clusterBytes + (position - runStart), part));
        }
        position += piece;
        done += piece;
    }
    return status::kSuccess;
}

Status NtFs::CheckRecord(std::span<uint8_t> record) {
    LC_TRY(ApplyFixups(record, ntfs::kFileMagic));
    ByteReader reader(record);
    uint32_t inUse = *reader.At<uint32_t>(ntfs::kRecordBytesInUse);
    uint16_t first = *reader.At<uint16_t>(ntfs::kRecordFirstAttribute);
    if (inUse > record.size() || first < ntfs::kMinRecordHeader || first >= inUse) return Corrupt();
    return status::kSuccess;
}

Status NtFs::ReadMft() {
    m_mftRuns = {};
    m_recordCount = 0;
    m_cacheCount = 0;
    std::vector<uint8_t> record;
    if (!TryResize(record, m_recordBytes)) return status::kOutOfMemory;
    LC_TRY(ReadVolumeBytes(m_mftCluster * m_clusterBytes, record));
    LC_TRY(CheckRecord(record));
    auto data = FindAttributeFrom(record, ntfs::kTypeData, 0, true);
    if (!data) return data.status() == status::kMoreData ? Corrupt() : data.status();
    auto value = ParseNonResident(record, *data, m_clusterCount, m_clusterBytes);
    if (!value) return value.status();
    m_mftRuns = std::move(value->runs);
    // DirInfo keeps 32 bits of a record number; records beyond are out of reach.
    m_recordCount = std::min<uint64_t>(value->dataSize / m_recordBytes, uint64_t{1} << 32);
    if (m_recordCount <= ntfs::kRecordRoot) return Corrupt();
    return status::kSuccess;
}

Status NtFs::ReadRecord(uint64_t record, std::vector<uint8_t>& out) {
    if (record >= m_recordCount) return Corrupt();
    if (!TryResize(out, m_recordBytes)) return status::kOutOfMemory;
    LC_TRY(ReadStream(m_mftRuns, record * m_recordBytes, out));
    return CheckRecord(out);
}

Status NtFs::ReadRecordCached(uint64_t record, std::vector<uint8_t>& out) {
    if (record >= m_recordCount) return Corrupt();
    if (m_cacheCount == 0 || record < m_cacheFirst || record - m_cacheFirst >= m_cacheCount) {
        uint64_t perBlock = std::max<uint64_t>(1, kCacheBytes / m_recordBytes);
        uint64_t first = record - record % perBlock;
        uint64_t count = std::min(perBlock, m_recordCount - first);
        m_cacheCount = 0;
        // A block that cannot be read whole (a damaged run) still leaves single records.
        if (!TryResize(m_cache, count * m_recordBytes) ||
            ReadStream(m_mftRuns, first * m_recordBytes, m_cache) != status::kSuccess) {
            return ReadRecord(record, out);
        }
        m_cacheFirst = first;
        m_cacheCount = count;
    }
    if (!TryResize(out, m_recordBytes)) return status::kOutOfMemory;
    auto start = m_cache.begin() + static_cast<ptrdiff_t>((record - m_cacheFirst) * m_recordBytes);
    std::copy(start, start + m_recordBytes, out.begin());
    return CheckRecord(out);
}

Status NtFs::ReadAttributeValue(std::span<const uint8_t> record, size_t attribute,
                                uint64_t maxBytes, std::vector<uint8_t>& out) {
    if (record[attribute + ntfs::kAttrNonResident] == 0) {
        auto value = ResidentValue(record, attribute);
        if (!value) return value.status();
        if (value->size() > maxBytes) return Corrupt();
        out.assign(value->begin(), value->end());
        return status::kSuccess;
    }
    auto value = ParseNonResident(record, attribute, m_clusterCount, m_clusterBytes);
    if (!value) return value.status();
    if (value->dataSize > maxBytes) return Corrupt();
    if (!TryResize(out, RoundUpToSector(value->dataSize))) return status::kOutOfMemory;
    LC_TRY(ReadStream(value->runs, 0, out));
    std::fill(out.begin() + static_cast<ptrdiff_t>(value->initializedSize), out.end(), uint8_t{0});
    out.resize(value->dataSize);
    return status::kSuccess;
}

Status NtFs::ReadVolumeLabel() {
    std::vector<uint8_t> record;
    LC_TRY(ReadRecord(ntfs::kRecordVolume, record));
    auto attribute = FindAttribute(record, ntfs::kTypeVolumeName);
    if (!attribute) return attribute.status();
    std::u16string label;
    if (record[*attribute + ntfs::kAttrNameLength] == 0) {
        auto value = ResidentValue(record, *attribute);
        if (!value) return value.status();
        label = Utf16Le(*value);
    }
    m_volume->SetVolumeLabel(std::move(label));
    return status::kSuccess;
}

Status NtFs::ReadDirectoryTree() {
    if (m_geometry != status::kSuccess) return m_geometry;
    m_directories.clear();
    LC_TRY(ReadMft());
    LC_TRY(ReadVolumeLabel());
    return ReadDirectory(ntfs::kRecordRoot, 1);
}

Status NtFs::CollectEntries(std::span<const uint8_t> region, std::vector<Entry>& entries) {
    ByteReader reader(region);
    size_t offset = 0;
    // Entries are at least 16 bytes long, so the region's size bounds the walk.
    while (true) {
        auto length = reader.At<uint16_t>(offset + ntfs::kEntryLength);
        auto flags = reader.At<uint16_t>(offset + ntfs::kEntryFlags);
        if (!length || !flags) return Corrupt();
        if (*flags & ntfs::kEntryLast) return status::kSuccess;
        if (*length < ntfs::kMinEntry || *length > region.size() - offset) return Corrupt();
        auto entry = *reader.Sub(offset, *length);
        uint16_t keyLength = *entry.At<uint16_t>(ntfs::kEntryKeyLength);
        auto key = entry.Sub(ntfs::kEntryKey, keyLength);
        if (!key || keyLength < ntfs::kFileNameText) return Corrupt();
        uint8_t nameLength = *key->At<uint8_t>(ntfs::kFileNameLength);
        auto name = key->Slice(ntfs::kFileNameText, 2u * nameLength);
        if (!name) return Corrupt();

        uint64_t record = *entry.At<uint64_t>(ntfs::kEntryFileReference) & ntfs::kRecordNumberMask;
        // System files, the root's own entry, and the short twin of a long name are left out.
        if (record >= ntfs::kFirstUserRecord &&
            *key->At<uint8_t>(ntfs::kFileNameSpace) != ntfs::kNamespaceDos) {
            Entry item;
            item.record = record;
            item.name = Utf16Le(*name);
            item.modified = *key->At<uint64_t>(ntfs::kFileNameModified);
            item.size = *key->At<uint64_t>(ntfs::kFileNameDataSize);
            item.flags = *key->At<uint32_t>(ntfs::kFileNameFlags);
            entries.push_back(std::move(item));
        }
        offset += *length;
    }
}

Status NtFs::CollectIndexBuffers(std::span<const uint8_t> record, std::vector<Entry>& entries) {
    auto allocation = FindAttribute(record, ntfs::kTypeIndexAllocation);
    auto bitmapAttribute = FindAttribute(record, ntfs::kTypeBitmap);
    // A large index without its buffers or their bitmap is damaged.
    if (!allocation)
        return allocation.status() == status::kMoreData ? Corrupt() : allocation.status();
    if (!bitmapAttribute) {
        return bitmapAttribute.status() == status::kMoreData ? Corrupt() : bitmapAttribute.status();
    }
    auto stream = ParseNonResident(record, *allocation, m_clusterCount, m_clusterBytes);
    if (!stream) return stream.status();
    std::vector<uint8_t> bitmap;
    LC_TRY(ReadAttributeValue(record, *bitmapAttribute, kMaxIndexBitmapBytes, bitmap));

    uint64_t buffers = std::min<uint64_t>(stream->dataSize / m_indexBytes, bitmap.size() * 8);
    std::vector<uint8_t> buffer;
    if (!TryResize(buffer, m_indexBytes)) return status::kOutOfMemory;
    for (uint64_t i = 0; i < buffers; ++i) {
        // Buffers the bitmap marks free keep stale entries of deleted files.
        if (((bitmap[i / 8] >> (i % 8)) & 1) == 0) continue;
        LC_TRY(ReadStream(stream->runs, i * m_indexBytes, buffer));
        LC_TRY(ApplyFixups(buffer, ntfs::kIndexMagic));
        ByteReader reader(buffer);
        uint32_t first = *reader.At<uint32_t>(ntfs::kBufferHeader + ntfs::kHeaderEntriesOffset);
        uint32_t used = *reader.At<uint32_t>(ntfs::kBufferHeader + ntfs::kHeaderIndexLength);
        if (first > used || used > buffer.size() - ntfs::kBufferHeader) return Corrupt();
        LC_TRY(CollectEntries(*reader.Slice(ntfs::kBufferHeader + first, used - first), entries));
    }
    return status::kSuccess;
}

std::u16string NtFs::LookUpName(const Entry& entry) {
    std::vector<uint8_t> record;
    if (ReadRecordCached(entry.record, record) != status::kSuccess) return entry.name;
    size_t from = 0;
    // Each step moves past the attribute found, so the record's size bounds the walk.
    while (true) {
        auto attribute = FindAttributeFrom(record, ntfs::kTypeFileName, from, false);
        if (!attribute) return entry.name;
        auto value = ResidentValue(record, *attribute);
        if (value) {
            ByteReader reader(*value);
            auto nameLength = reader.At<uint8_t>(ntfs::kFileNameLength);
            auto space = reader.At<uint8_t>(ntfs::kFileNameSpace);
            auto name =
                nameLength ? reader.Slice(ntfs::kFileNameText, 2u * *nameLength) : std::nullopt;
            if (name && *space != ntfs::kNamespaceDos) return Utf16Le(*name);
        }
        from = *attribute + LoadLe<uint32_t>(record.data() + *attribute + ntfs::kAttrLength);
    }
}

Status NtFs::ReadDirectory(uint64_t recordNumber, unsigned depth) {
    if (depth > ntfs::kMaxDepth) return Corrupt();
    // A folder that contains itself or an ancestor is listed but not read again.
    if (!m_directories.insert(recordNumber).second) return Corrupt();

    std::vector<Entry> entries;
    Status result = status::kSuccess;
    {
        std::vector<uint8_t> record;
        LC_TRY(ReadRecord(recordNumber, record));
        auto rootAttribute = FindAttribute(record, ntfs::kTypeIndexRoot);
        if (!rootAttribute) return rootAttribute.status();
        auto value = ResidentValue(record, *rootAttribute);
        if (!value) return value.status();
        ByteReader root(*value);
        auto indexed = root.At<uint32_t>(ntfs::kRootIndexedType);
        auto first = root.At<uint32_t>(ntfs::kRootHeader + ntfs::kHeaderEntriesOffset);
        auto used = root.At<uint32_t>(ntfs::kRootHeader + ntfs::kHeaderIndexLength);
        auto flags = root.At<uint8_t>(ntfs::kRootHeader + ntfs::kHeaderFlags);
        if (!indexed || !first || !used || !flags) return Corrupt();
        if (*indexed != ntfs::kTypeFileName) return status::kSuccess;
        if (*used < *first) return Corrupt();
        auto region = root.Slice(ntfs::kRootHeader + *first, *used - *first);
        if (!region) return Corrupt();
        // Every entry names a file, in the root as in the buffers of a large index.
        result = CollectEntries(*region, entries);
        if (result == status::kSuccess && (*flags & ntfs::kHeaderLargeIndex)) {
            result = CollectIndexBuffers(record, entries);
        }
    }

    // What was collected before damage is still reported.
    for (const Entry& entry : entries) {
        std::u16string name = LookUpName(entry);
        uint32_t modified = DosTime::PackFileTime(entry.modified);
        if (entry.flags & ntfs::kFileNameDirectory) {
            m_volume->AddDirectory(std::move(name), modified);
            m_volume->EnterDirectory();
            Status sub = ReadDirectory(entry.record, depth + 1);
            m_volume->LeaveDirectory();
            if (result == status::kSuccess) result = sub;
        } else {
            m_volume->AddFile(std::move(name), entry.size, modified, entry.record, entry.flags);
        }
    }
    return result;
}

Status NtFs::CopyFileData(uint64_t first, File& output, uint64_t size) {
    if (m_geometry != status::kSuccess) return m_geometry;
    if (m_recordCount == 0) LC_TRY(ReadMft());
    std::vector<uint8_t> record;
    LC_TRY(ReadRecord(first, record));
    auto data = FindAttributeFrom(record, ntfs::kTypeData, 0, true);
    if (!data) return data.status();
    uint16_t flags = LoadLe<uint16_t>(record.data() + *data + ntfs::kAttrFlags);
    if ((flags & ntfs::kAttrFlagCompressionMask) || (flags & ntfs::kAttrFlagEncrypted)) {
        return status::kNotSupported;
    }
    if (record[*data + ntfs::kAttrNonResident] != 0) {
        return CopyNonResident(record, *data, output, size);
    }
    auto value = ResidentValue(record, *data);
    if (!value) return value.status();
    uint64_t wanted = size != 0 ? size : value->size();
    LC_TRY(output.WriteAll(
        value->first(static_cast<size_t>(std::min<uint64_t>(wanted, value->size())))));
    return wanted > value->size() ? Corrupt() : status::kSuccess;
}

Status NtFs::CopyNonResident(std::span<const uint8_t> record, size_t attribute, File& output,
                             uint64_t size) {
    auto value = ParseNonResident(record, attribute, m_clusterCount, m_clusterBytes);
    if (!value) return value.status();
    if (size == 0) size = value->dataSize;
    uint64_t total = std::min(size, value->dataSize);
    m_volume->SetProgressTotal(size);
    m_volume->ReportProgress(size);

    std::vector<uint8_t> buffer;
    if (!TryResize(buffer,
                   static_cast<size_t>(std::min<uint64_t>(kCopyBlock, RoundUpToSector(total))))) {
        return status::kOutOfMemory;
    }
    Status result = status::kSuccess;
    uint64_t position = 0;
    while (position < total) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(total - position, buffer.size()));
        std::span<uint8_t> block(buffer.data(), static_cast<size_t>(RoundUpToSector(piece)));
        // Past the initialized size a file reads as zeros, whatever its clusters hold.
        uint64_t valid = value->initializedSize > position ? value->initializedSize - position : 0;
        if (valid > 0) {
            result = ReadStream(value->runs, position,
                                block.first(static_cast<size_t>(
                                    std::min<uint64_t>(RoundUpToSector(valid), block.size()))));
            if (result != status::kSuccess) break;
        }
        if (valid < block.size()) {
            std::fill(block.begin() + static_cast<ptrdiff_t>(valid), block.end(), uint8_t{0});
        }
        result = output.WriteAll(block.first(piece));
        if (result != status::kSuccess) break;
        position += piece;
        m_volume->ReportProgress(size - position);
    }
    m_volume->ReportProgress(0);
    if (result == status::kSuccess && size > value->dataSize) result = Corrupt();
    return result;
}

}  // namespace lc
