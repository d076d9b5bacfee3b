#include "fs/NtFs.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>

#include "fs/DosTime.h"
#include "fs/Lznt1.h"
#include "fs/NtfsRecord.h"
#include "fs/NtfsStructures.h"
#include "fs/Volume.h"
#include "platform/File.h"
#include "platform/Memory.h"

namespace lc {

namespace {

constexpr uint64_t kSector = Volume::kSectorSize;
// File data is read in blocks of up to this size; each contiguous piece is one sector read.
constexpr size_t kCopyBlock = 4u << 20;
// Far more than the bitmap of any real folder index (8 million index buffers).
constexpr uint64_t kMaxIndexBitmapBytes = 1u << 20;
// Entries whose records are read before they are reported, and records read at once.
constexpr size_t kFactsBatch = 1024;
constexpr uint64_t kRecordsPerRead = 64;
// What a tree walk may read of non-resident lists, bitmaps and link data beyond the volume's size.
constexpr uint64_t kReadBudgetSlack = 16u << 20;

Status Corrupt() {
    return status::kFileCorrupt;
}

uint64_t RoundUpToSector(uint64_t bytes) {
    return (bytes + kSector - 1) / kSector * kSector;
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

using ntfs::LinkTarget;
using ntfs::NonResident;
using ntfs::ParseNonResident;
using ntfs::ResidentValue;
using ntfs::Utf16Le;

}  // namespace

Status NtFs::ParseBootSector(std::span<const uint8_t> bootSector) {
    m_geometry = status::kFileCorrupt;
    m_mftRuns = {};
    m_recordCount = 0;
    auto boot = ntfs::ParseBootSector(bootSector);
    if (!boot) return m_geometry;

    m_bytesPerSector = boot->bytesPerSector;
    m_sectorsPerCluster = boot->sectorsPerCluster;
    m_sectorCount = boot->totalSectors;
    m_mftCluster = boot->mftCluster;

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

    m_recordBytes = DecodeBlockSize(boot->recordSize, m_clusterBytes);
    m_indexBytes = DecodeBlockSize(boot->indexBufferSize, m_clusterBytes);
    if (m_recordBytes == 0 || m_indexBytes == 0) return m_geometry;
    m_geometry = status::kSuccess;
    return m_geometry;
}

Status NtFs::ApplyFixups(std::span<uint8_t> block, uint32_t magic) {
    return ntfs::ApplyFixups(block, magic);
}

Result<size_t> NtFs::FindAttribute(std::span<const uint8_t> record, uint32_t type) {
    return FindAttributeFrom(record, type, 0, false);
}

Result<size_t> NtFs::FindAttributeFrom(std::span<const uint8_t> record, uint32_t type, size_t from,
                                       bool unnamedOnly) {
    auto found = ntfs::FindAttribute(record, type, from, unnamedOnly);
    if (!found) return Result<size_t>::Failure(found.status());
    return found->offset;
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
    LC_TRY(ntfs::ApplyFixups(record, ntfs::kFileMagic));
    auto header = ntfs::ParseRecordHeader(record);
    if (!header || header->bytesInUse > record.size() ||
        header->firstAttribute < ntfs::kMinRecordHeader ||
        header->firstAttribute >= header->bytesInUse) {
        return Corrupt();
    }
    return status::kSuccess;
}

Status NtFs::ReadMft() {
    m_mftRuns = {};
    m_recordCount = 0;
    std::vector<uint8_t> record;
    LC_TRY(CheckedResize(record, m_recordBytes));
    LC_TRY(ReadVolumeBytes(m_mftCluster * m_clusterBytes, record));
    LC_TRY(CheckRecord(record));
    auto data = FindAttributeFrom(record, ntfs::kTypeData, 0, true);
    if (!data) return data.status() == status::kMoreData ? Corrupt() : data.status();
    LC_TRY_ASSIGN(auto value, ParseNonResident(record, *data, m_clusterCount));
    uint64_t vcns = value.runs.VcnCount();
    if (value.lowestVcn != 0 || vcns > UINT64_MAX / m_clusterBytes) return Corrupt();
    // With an attribute list the runs here may hold only the MFT's first part: enough to reach
    // the extension records that hold the rest.
    const bool hasList = FindAttribute(record, ntfs::kTypeAttributeList).ok();
    const uint64_t covered = vcns * m_clusterBytes;
    if (!hasList && value.dataSize > covered) return Corrupt();
    m_mftRuns = std::move(value.runs);
    // DirInfo keeps 32 bits of a record number; records beyond are out of reach.
    m_recordCount =
        std::min<uint64_t>(std::min(value.dataSize, covered) / m_recordBytes, uint64_t{1} << 32);
    if (m_recordCount <= ntfs::kRecordRoot) return Corrupt();
    if (!hasList) return status::kSuccess;

    // A large MFT continues its runs in extension records, found through the runs so far.
    FileRecords mft;
    Stream whole;
    LC_TRY(ReadFileRecords(ntfs::kRecordMft, mft));
    LC_TRY(LoadStream(mft, ntfs::kTypeData, true, whole));
    if (whole.resident || whole.dataSize / m_recordBytes < m_recordCount) return Corrupt();
    m_mftRuns = std::move(whole.runs);
    m_recordCount = std::min<uint64_t>(whole.dataSize / m_recordBytes, uint64_t{1} << 32);
    return status::kSuccess;
}

Status NtFs::ReadRecord(uint64_t record, std::vector<uint8_t>& out) {
    if (record >= m_recordCount) return Corrupt();
    LC_TRY(CheckedResize(out, m_recordBytes));
    LC_TRY(ReadStream(m_mftRuns, record * m_recordBytes, out));
    return CheckRecord(out);
}

Status NtFs::ReadFileRecords(uint64_t number, FileRecords& out,
                             std::span<const uint8_t> prefetched) {
    out.records.resize(1);
    out.hasList = false;
    std::vector<uint8_t>& base = out.records[0];
    if (prefetched.size() == m_recordBytes) {
        base.assign(prefetched.begin(), prefetched.end());
        LC_TRY(CheckRecord(base));
    } else {
        LC_TRY(ReadRecord(number, base));
    }
    auto header = ntfs::ParseRecordHeader(base);
    if (!header || !header->InUse()) return Corrupt();
    auto list = FindAttribute(base, ntfs::kTypeAttributeList);
    if (!list) return list.status() == status::kMoreData ? status::kSuccess : list.status();
    out.hasList = true;
    std::vector<uint8_t> entries;
    LC_TRY(ReadAttributeValue(base, *list, ntfs::kMaxAttributeListBytes, entries));

    std::vector<uint64_t> references;
    size_t offset = 0;
    // Every entry is at least kMinListEntry bytes long: the list's size bounds the walk.
    while (entries.size() - offset >= ntfs::kMinListEntry) {
        LC_TRY_ASSIGN(auto entry, ntfs::ParseAttributeListEntry(entries, offset));
        if ((entry.reference & ntfs::kRecordNumberMask) != number) {
            references.push_back(entry.reference);
        }
        offset += entry.length;
    }
    std::sort(references.begin(), references.end());
    references.erase(std::unique(references.begin(), references.end()), references.end());
    for (uint64_t reference : references) {
        std::vector<uint8_t> extension;
        LC_TRY(ReadRecord(reference & ntfs::kRecordNumberMask, extension));
        auto own = ntfs::ParseRecordHeader(extension);
        // An extension record in use, still the one the list names, belonging to this file.
        if (!own || !own->InUse() ||
            own->sequence != (reference >> ntfs::kReferenceSequenceShift) ||
            (own->baseReference & ntfs::kRecordNumberMask) != number) {
            return Corrupt();
        }
        out.records.push_back(std::move(extension));
    }
    return status::kSuccess;
}

std::vector<std::pair<std::span<const uint8_t>, size_t>> NtFs::FileRecords::Find(
    uint32_t type, bool unnamedOnly) const {
    std::vector<std::pair<std::span<const uint8_t>, size_t>> found;
    for (const std::vector<uint8_t>& record : records) {
        size_t from = 0;
        // Each step moves past the attribute found, so the record's size bounds the walk.
        while (true) {
            auto attribute = ntfs::FindAttribute(record, type, from, unnamedOnly);
            if (!attribute) break;
            found.emplace_back(record, attribute->offset);
            from = attribute->offset + attribute->header.length;
        }
    }
    return found;
}

Status NtFs::ReadAttributeValue(std::span<const uint8_t> record, size_t attribute,
                                uint64_t maxBytes, std::vector<uint8_t>& out) {
    LC_TRY_ASSIGN(auto header, ntfs::ParseAttributeHeader(record, attribute));
    if (!header.nonResident) {
        LC_TRY_ASSIGN(auto value, ResidentValue(record, attribute));
        if (value.size() > maxBytes) return Corrupt();
        out.assign(value.begin(), value.end());
        return status::kSuccess;
    }
    LC_TRY_ASSIGN(auto value, ParseNonResident(record, attribute, m_clusterCount));
    if (value.lowestVcn != 0 || value.dataSize > maxBytes ||
        value.dataSize > value.runs.VcnCount() * m_clusterBytes || value.dataSize > m_readBudget) {
        return Corrupt();
    }
    m_readBudget -= value.dataSize;
    LC_TRY(CheckedResize(out, RoundUpToSector(value.dataSize)));
    LC_TRY(ReadStream(value.runs, 0, out));
    std::fill(out.begin() + static_cast<ptrdiff_t>(value.initializedSize), out.end(), uint8_t{0});
    out.resize(value.dataSize);
    return status::kSuccess;
}

Status NtFs::LoadStream(const FileRecords& file, uint32_t type, bool unnamedOnly, Stream& out) {
    auto pieces = file.Find(type, unnamedOnly);
    if (pieces.empty()) return status::kMoreData;
    out = Stream{};
    auto [first, firstAt] = pieces.front();
    LC_TRY_ASSIGN(auto header, ntfs::ParseAttributeHeader(first, firstAt));
    out.flags = header.flags;
    if (!header.nonResident) {
        if (pieces.size() != 1) return Corrupt();
        LC_TRY_ASSIGN(auto value, ResidentValue(first, firstAt));
        out.resident = true;
        out.bytes = value;
        out.dataSize = out.initializedSize = value.size();
        return status::kSuccess;
    }
    std::vector<NonResident> parsed;
    for (const auto& [record, at] : pieces) {
        LC_TRY_ASSIGN(auto piece, ParseNonResident(record, at, m_clusterCount));
        parsed.push_back(std::move(piece));
    }
    std::sort(parsed.begin(), parsed.end(),
              [](const NonResident& a, const NonResident& b) { return a.lowestVcn < b.lowestVcn; });
    // Joined in cluster order; a gap or an overlap is refused by Append.
    for (const NonResident& piece : parsed) LC_TRY(out.runs.Append(piece.runs, piece.lowestVcn));
    const NonResident& head = parsed.front();
    out.dataSize = head.dataSize;
    out.initializedSize = head.initializedSize;
    // The runs, holes included, must hold the whole value, in bytes that fit 64 bits.
    uint64_t vcns = out.runs.VcnCount();
    if (head.lowestVcn != 0 || out.dataSize > ntfs::kMaxDataSize ||
        vcns > UINT64_MAX / m_clusterBytes || out.dataSize > vcns * m_clusterBytes) {
        return Corrupt();
    }
    if (out.flags & ntfs::kAttrFlagCompressionMask) {
        if (head.compressionUnit == 0 || head.compressionUnit > ntfs::kMaxCompressionUnitShift ||
            (uint64_t{m_clusterBytes} << head.compressionUnit) > ntfs::kMaxCompressionUnitBytes) {
            return Corrupt();
        }
        out.unitBytes = m_clusterBytes << head.compressionUnit;
    }
    return status::kSuccess;
}

Status NtFs::ReadFacts(const FileRecords& file, Facts& out) {
    auto info = file.Find(ntfs::kTypeStandardInformation, false);
    if (info.empty()) return Corrupt();
    LC_TRY_ASSIGN(auto value, ResidentValue(info.front().first, info.front().second));
    LC_TRY_ASSIGN(auto standard, ntfs::ParseStandardInformation(value));
    out.modified = standard.modified;
    out.attributes = standard.attributes;

    // Folders and links need not have data: their size is 0.
    Stream data;
    Status st = LoadStream(file, ntfs::kTypeData, true, data);
    if (st == status::kSuccess) {
        out.size = data.dataSize;
    } else if (st != status::kMoreData) {
        return st;
    }
    if (out.attributes & ntfs::kFileAttrReparsePoint) {
        auto reparse = file.Find(ntfs::kTypeReparsePoint, false);
        std::vector<uint8_t> bytes;
        if (!reparse.empty() && ReadAttributeValue(reparse.front().first, reparse.front().second,
                                                   16u << 10, bytes) == status::kSuccess) {
            out.linkTarget = LinkTarget(bytes);
        }
    }
    return status::kSuccess;
}

Status NtFs::ReadVolumeLabel() {
    std::vector<uint8_t> record;
    LC_TRY(ReadRecord(ntfs::kRecordVolume, record));
    LC_TRY_ASSIGN(auto attribute, ntfs::FindAttribute(record, ntfs::kTypeVolumeName, 0, false));
    std::u16string label;
    if (attribute.header.nameLength == 0) {
        LC_TRY_ASSIGN(auto value, ResidentValue(record, attribute.offset));
        label = Utf16Le(value);
    }
    m_volume->SetVolumeLabel(std::move(label));
    return status::kSuccess;
}

Status NtFs::ReadDirectoryTree() {
    if (m_geometry != status::kSuccess) return m_geometry;
    m_directories.clear();
    m_claimed.clear();
    m_factsCache.clear();
    // However the values point at each other, a walk reads them at most once over, and then
    // some: real volumes read a small part of this.
    m_readBudget = m_clusterCount * m_clusterBytes + kReadBudgetSlack;
    Status result = ReadMft();
    if (result == status::kSuccess) result = ReadVolumeLabel();
    if (result == status::kSuccess) result = ReadDirectory(ntfs::kRecordRoot, 1);
    m_claimed.clear();
    m_factsCache.clear();
    m_readBudget = UINT64_MAX;
    return result;
}

Status NtFs::CollectEntries(std::span<const uint8_t> region, std::vector<Entry>& entries) {
    size_t offset = 0;
    // Entries are at least 16 bytes long, so the region's size bounds the walk.
    while (true) {
        LC_TRY_ASSIGN(auto entry, ntfs::ParseIndexEntry(region, offset));
        if (entry.last) return status::kSuccess;
        LC_TRY_ASSIGN(auto key, ntfs::ParseFileName(entry.key));

        uint64_t record = entry.reference & ntfs::kRecordNumberMask;
        // System files, the root's own entry, and the short twin of a long name are left out.
        if (record >= ntfs::kFirstUserRecord && key.nameSpace != ntfs::kNamespaceDos) {
            Entry item;
            item.record = record;
            item.name = Utf16Le(key.name);
            item.modified = key.modified;
            item.size = key.dataSize;
            item.flags = key.flags;
            entries.push_back(std::move(item));
        }
        offset += entry.length;
    }
}

Status NtFs::ClaimIndexBuffer(const NtfsRunList& runs, uint64_t offset) {
    // Pieces of a cluster or of a buffer, whichever is smaller: buffers share no piece.
    uint32_t unit = std::min(m_clusterBytes, m_indexBytes);
    for (uint64_t at = offset; at < offset + m_indexBytes; at += unit) {
        const NtfsRun* run = runs.Find(at / m_clusterBytes);
        if (!run || run->sparse) return Corrupt();
        uint64_t volumeByte =
            (run->lcn + (at / m_clusterBytes - run->vcn)) * m_clusterBytes + at % m_clusterBytes;
        if (!m_claimed.insert(volumeByte / unit).second) return Corrupt();
    }
    return status::kSuccess;
}

Status NtFs::CollectIndexBuffers(const FileRecords& file, std::vector<Entry>& entries) {
    Stream stream;
    Status st = LoadStream(file, ntfs::kTypeIndexAllocation, false, stream);
    // A large index without its buffers or their bitmap is damaged.
    if (st != status::kSuccess) return st == status::kMoreData ? Corrupt() : st;
    if (stream.resident) return Corrupt();
    auto bitmapAttribute = file.Find(ntfs::kTypeBitmap, false);
    if (bitmapAttribute.empty()) return Corrupt();
    std::vector<uint8_t> bitmap;
    LC_TRY(ReadAttributeValue(bitmapAttribute.front().first, bitmapAttribute.front().second,
                              kMaxIndexBitmapBytes, bitmap));

    uint64_t buffers = std::min<uint64_t>(stream.dataSize / m_indexBytes, bitmap.size() * 8);
    std::vector<uint8_t> buffer;
    LC_TRY(CheckedResize(buffer, m_indexBytes));
    for (uint64_t i = 0; i < buffers; ++i) {
        // Buffers the bitmap marks free keep stale entries of deleted files.
        if (((bitmap[i / 8] >> (i % 8)) & 1) == 0) continue;
        // Each buffer is read for one folder only, so the volume's size bounds the walk.
        LC_TRY(ClaimIndexBuffer(stream.runs, i * m_indexBytes));
        LC_TRY(ReadStream(stream.runs, i * m_indexBytes, buffer));
        LC_TRY(ntfs::ApplyFixups(buffer, ntfs::kIndexMagic));
        LC_TRY_ASSIGN(auto node, ntfs::ParseIndexBuffer(buffer));
        LC_TRY(CollectEntries(node.entries, entries));
    }
    return status::kSuccess;
}

Status NtFs::ReadDirectory(uint64_t recordNumber, unsigned depth) {
    std::vector<Entry> entries;
    Status result = status::kSuccess;
    if (depth > ntfs::kMaxDepth) {
        result = Corrupt();
    } else if (!m_directories.insert(recordNumber).second) {
        // A folder that contains itself or an ancestor is listed but not read again.
        result = Corrupt();
    } else {
        FileRecords file;
        result = ReadFileRecords(recordNumber, file);
        auto roots = file.Find(ntfs::kTypeIndexRoot, false);
        if (result == status::kSuccess && roots.empty()) result = Corrupt();
        if (result == status::kSuccess) {
            auto value = ResidentValue(roots.front().first, roots.front().second);
            auto root = value ? ntfs::ParseIndexRoot(*value)
                              : Result<ntfs::IndexNode>::Failure(value.status());
            if (!root) {
                result = root.status();
            } else {
                // Every entry names a file, in the root as in the buffers of a large index.
                result = CollectEntries(root->entries, entries);
                if (result == status::kSuccess && root->largeIndex) {
                    result = CollectIndexBuffers(file, entries);
                }
            }
        }
    }
    // The root must give at least its index root; below it, damage marks the folder.
    if (depth == 1 && result != status::kSuccess && entries.empty()) return result;

    // What was collected before damage is still reported, a batch at a time: the records of a
    // batch are read in few large pieces, and let go before the batch's folders are read.
    std::vector<Facts> facts;
    for (size_t from = 0; from < entries.size(); from += kFactsBatch) {
        std::span<Entry> batch =
            std::span<Entry>(entries).subspan(from, std::min(kFactsBatch, entries.size() - from));
        ReadFactsBatch(batch, facts);
        for (size_t i = 0; i < batch.size(); ++i) ReportEntry(batch[i], std::move(facts[i]), depth);
    }
    if (result != status::kSuccess) m_volume->MarkDirectoryDamaged(result);
    return status::kSuccess;
}

void NtFs::ReadFactsBatch(std::span<const Entry> entries, std::vector<Facts>& facts) {
    // Size, time and flags from the file's own records; the index's copy only when those
    // cannot be read (Windows updates it only for the name the file was written through).
    facts.assign(entries.size(), Facts{});
    std::vector<uint64_t> numbers;
    for (size_t i = 0; i < entries.size(); ++i) {
        facts[i].size = entries[i].size;
        facts[i].modified = entries[i].modified;
        facts[i].attributes = entries[i].flags;
        if (entries[i].record < m_recordCount) numbers.push_back(entries[i].record);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());

    std::vector<std::pair<uint64_t, std::optional<Facts>>> found;
    std::vector<uint8_t> block;
    FileRecords file;  // reused: its buffers are allocated once per batch
    for (size_t i = 0; i < numbers.size();) {
        // Records close together are read in one piece; gaps of one record are read over.
        size_t last = i;
        while (last + 1 < numbers.size() && numbers[last + 1] - numbers[last] <= 2 &&
               numbers[last + 1] - numbers[i] < kRecordsPerRead) {
            ++last;
        }
        uint64_t first = numbers[i];
        uint64_t count = numbers[last] - first + 1;
        bool whole = CheckedResize(block, count * m_recordBytes) == status::kSuccess &&
                     ReadStream(m_mftRuns, first * m_recordBytes, block) == status::kSuccess;
        for (; i <= last; ++i) {
            uint64_t number = numbers[i];
            if (m_factsCache.count(number) != 0) continue;
            std::span<const uint8_t> record;
            if (whole) {
                record = std::span<const uint8_t>(block).subspan(
                    static_cast<size_t>((number - first) * m_recordBytes), m_recordBytes);
            }
            Facts own;
            bool read = ReadFileRecords(number, file, record) == status::kSuccess &&
                        ReadFacts(file, own) == status::kSuccess;
            // Files that cost more than a record read are read once, however many names they
            // have.
            if (file.hasList || (own.attributes & ntfs::kFileAttrReparsePoint)) {
                m_factsCache.emplace(number, read ? std::optional<Facts>(own) : std::nullopt);
            }
            found.emplace_back(number, read ? std::optional<Facts>(std::move(own)) : std::nullopt);
        }
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::optional<Facts>* own = nullptr;
        auto cached = m_factsCache.find(entries[i].record);
        if (cached != m_factsCache.end()) {
            own = &cached->second;
        } else {
            auto it = std::lower_bound(
                found.begin(), found.end(), entries[i].record,
                [](const auto& item, uint64_t number) { return item.first < number; });
            if (it != found.end() && it->first == entries[i].record) own = &it->second;
        }
        if (own && *own) facts[i] = **own;
    }
}

void NtFs::ReportEntry(Entry& entry, Facts facts, unsigned depth) {
    uint32_t modified = DosTime::PackFileTime(facts.modified);
    if (entry.flags & ntfs::kFileNameDirectory) {
        m_volume->AddDirectory(std::move(entry.name), modified);
        if (!facts.linkTarget.empty()) {
            // A junction or mount point: its target lies outside this folder's tree.
            m_volume->SetLinkTarget(std::move(facts.linkTarget));
            return;
        }
        m_volume->EnterDirectory();
        IgnoreStatus(ReadDirectory(entry.record, depth + 1), "a subfolder marks its own damage");
        m_volume->LeaveDirectory();
    } else {
        m_volume->AddFile(std::move(entry.name), facts.size, modified, entry.record,
                          facts.attributes & ~ntfs::kFileNameDirectory);
        if (!facts.linkTarget.empty()) m_volume->SetLinkTarget(std::move(facts.linkTarget));
    }
}

Status NtFs::CopyFileData(uint64_t first, File& output, uint64_t size) {
    if (m_geometry != status::kSuccess) return m_geometry;
    if (m_recordCount == 0) LC_TRY(ReadMft());
    FileRecords file;
    LC_TRY(ReadFileRecords(first, file));
    Stream stream;
    Status st = LoadStream(file, ntfs::kTypeData, true, stream);
    // A file without data (a link, say) is empty.
    if (st == status::kMoreData) return size == 0 ? status::kSuccess : Corrupt();
    if (st != status::kSuccess) return st;
    if (stream.flags & ntfs::kAttrFlagEncrypted) return status::kNotSupported;
    if (stream.resident) {
        // Resident values are never compressed, whatever the flags say.
        uint64_t wanted = size != 0 ? size : stream.bytes.size();
        LC_TRY(output.WriteAll(
            std::span<const uint8_t>(stream.bytes)
                .first(static_cast<size_t>(std::min<uint64_t>(wanted, stream.bytes.size())))));
        return wanted > stream.bytes.size() ? Corrupt() : status::kSuccess;
    }
    if ((stream.flags & ntfs::kAttrFlagCompressionMask) &&
        (stream.flags & ntfs::kAttrFlagCompressionMask) != ntfs::kAttrFlagLznt1) {
        return status::kNotSupported;
    }
    return CopyStream(stream, output, size);
}

namespace {

// Writes the output: data, and holes that are skipped where the output can seek.
class SparseWriter {
public:
    explicit SparseWriter(File& output) : m_output(output) {
        m_canSeek = output.Seek(0, SEEK_CUR, &m_start) == status::kSuccess;
    }
    Status Write(std::span<const uint8_t> data) {
        m_endsInHole = false;
        m_written += data.size();
        return m_output.WriteAll(data);
    }
    Status Skip(uint64_t bytes) {
        m_written += bytes;
        if (m_canSeek && bytes <= static_cast<uint64_t>(INT64_MAX)) {
            m_endsInHole = true;
            return m_output.Seek(static_cast<int64_t>(bytes), SEEK_CUR);
        }
        // A pipe: the zeros are written.
        static const std::vector<uint8_t> zeros(64u << 10, 0);
        while (bytes > 0) {
            size_t piece = static_cast<size_t>(std::min<uint64_t>(bytes, zeros.size()));
            LC_TRY(m_output.WriteAll(std::span<const uint8_t>(zeros).first(piece)));
            bytes -= piece;
        }
        return status::kSuccess;
    }
    // A file that ends in a hole gets its length here.
    Status Finish() {
        if (!m_endsInHole) return status::kSuccess;
        return m_output.Truncate(m_start + m_written);
    }

private:
    File& m_output;
    bool m_canSeek = false;
    bool m_endsInHole = false;
    uint64_t m_start = 0;
    uint64_t m_written = 0;
};

}  // namespace

Status NtFs::CopyStream(const Stream& stream, File& output, uint64_t size) {
    if (size == 0) size = stream.dataSize;
    uint64_t total = std::min(size, stream.dataSize);
    m_volume->SetProgressTotal(size);
    m_volume->ReportProgress(size);

    SparseWriter writer(output);
    std::vector<uint8_t> buffer;
    std::vector<uint8_t> packed;
    size_t blockBytes =
        stream.unitBytes != 0
            ? stream.unitBytes
            : static_cast<size_t>(std::min<uint64_t>(kCopyBlock, RoundUpToSector(total)));
    LC_TRY(CheckedResize(buffer, blockBytes));
    if (stream.unitBytes != 0) LC_TRY(CheckedResize(packed, blockBytes));
    Status result = status::kSuccess;
    uint64_t position = 0;
    uint64_t reported = 0;
    // Each pass finishes a run, a compression unit or a block, so the size bounds the loop.
    while (position < total && result == status::kSuccess) {
        uint64_t end = 0;
        bool hole = false;
        if (stream.unitBytes != 0) {
            result = ReadUnit(stream, position, buffer, packed, hole);
            end = std::min(total, position + stream.unitBytes);
        } else {
            uint64_t vcn = position / m_clusterBytes;
            const NtfsRun* run = stream.runs.Find(vcn);
            if (!run) {
                result = Corrupt();
                break;
            }
            uint64_t runEnd = (run->vcn + run->length) * m_clusterBytes;
            if (position >= stream.initializedSize) {
                // Past the initialized size a file reads as zeros, whatever its clusters hold.
                hole = true;
                end = total;
            } else {
                hole = run->sparse;
                // A hole is skipped whole; data goes through the buffer.
                end = std::min({runEnd, total, stream.initializedSize,
                                hole ? UINT64_MAX : position + blockBytes});
                if (!hole) {
                    result = ReadStream(stream.runs, position,
                                        std::span<uint8_t>(buffer).first(
                                            static_cast<size_t>(RoundUpToSector(end - position))));
                }
            }
        }
        if (result != status::kSuccess) break;
        result = hole ? writer.Skip(end - position)
                      : writer.Write(std::span<const uint8_t>(buffer).first(
                            static_cast<size_t>(end - position)));
        position = end;
        // About every block, however small the units.
        if (position - reported >= kCopyBlock || position == total) {
            m_volume->ReportProgress(size - position);
            reported = position;
        }
    }
    if (result == status::kSuccess) result = writer.Finish();
    m_volume->ReportProgress(0);
    if (result == status::kSuccess && size > stream.dataSize) result = Corrupt();
    return result;
}

Status NtFs::ReadUnit(const Stream& stream, uint64_t position, std::vector<uint8_t>& unit,
                      std::vector<uint8_t>& packed, bool& hole) {
    uint64_t unitClusters = stream.unitBytes / m_clusterBytes;
    uint64_t firstVcn = position / m_clusterBytes;
    // Real clusters first, then holes: fewer real clusters than the unit holds mean compressed
    // data; none, a unit of zeros; all, a unit stored as it is.
    uint64_t real = 0;
    bool holeSeen = false;
    for (uint64_t vcn = firstVcn; vcn < firstVcn + unitClusters && vcn < stream.runs.VcnCount();) {
        const NtfsRun* run = stream.runs.Find(vcn);
        if (!run) return Corrupt();
        uint64_t count = std::min(run->vcn + run->length, firstVcn + unitClusters) - vcn;
        if (run->sparse) {
            holeSeen = true;
        } else if (holeSeen) {
            return Corrupt();
        } else {
            real += count;
        }
        vcn += count;
    }
    hole = real == 0;
    if (hole) return status::kSuccess;
    uint64_t available = std::min(unitClusters, stream.runs.VcnCount() - firstVcn);
    if (real == available && !holeSeen) {
        LC_TRY(
            ReadStream(stream.runs, position,
                       std::span<uint8_t>(unit).first(static_cast<size_t>(real * m_clusterBytes))));
        std::fill(unit.begin() + static_cast<ptrdiff_t>(real * m_clusterBytes), unit.end(),
                  uint8_t{0});
    } else {
        std::span<uint8_t> input =
            std::span<uint8_t>(packed).first(static_cast<size_t>(real * m_clusterBytes));
        LC_TRY(ReadStream(stream.runs, position, input));
        LC_TRY_ASSIGN(auto produced, Lznt1::Decompress(input, unit));
        std::fill(unit.begin() + static_cast<ptrdiff_t>(produced), unit.end(), uint8_t{0});
    }
    // Past the initialized size a file reads as zeros.
    if (stream.initializedSize < position + unit.size()) {
        uint64_t valid = stream.initializedSize > position ? stream.initializedSize - position : 0;
        std::fill(unit.begin() + static_cast<ptrdiff_t>(valid), unit.end(), uint8_t{0});
    }
    return status::kSuccess;
}

}  // namespace lc
