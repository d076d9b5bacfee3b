#include "NtfsTestUtil.h"

#include <gtest/gtest.h>

#include <sstream>

#include "fs/DosTime.h"
#include "fs/NtfsStructures.h"
#include "platform/ByteReader.h"
#include "platform/Text.h"

namespace lc::test {

std::filesystem::path Decompress(const std::string& name, const std::filesystem::path& folder) {
    std::filesystem::path source = FixtureDir() / "ntfs" / (name + ".zst");
    std::filesystem::path target = folder / name;
    RunResult run = Run({"zstd", "-d", "-q", "-f", source.string(), "-o", target.string()});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return target;
}

Listing ParseFlsBody(const std::string& body) {
    Listing listing;
    std::istringstream lines(body);
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        std::string field;
        while (std::getline(parts, field, '|')) fields.push_back(field);
        if (fields.size() < 11) continue;
        const std::string& path = fields[1];
        if (path.size() < 2 || path[1] == '$' || path.find("($FILE_NAME)") != std::string::npos ||
            path.find("(deleted)") != std::string::npos) {
            continue;
        }
        ListedItem item;
        item.kind = fields[3].rfind("d/d", 0) == 0 ? 'D' : 'F';
        item.size = item.kind == 'D' ? 0 : std::stoull(fields[6]);
        item.modified = DosTime::PackUnixTime(static_cast<time_t>(std::stoll(fields[8])));
        listing[path.substr(1)] = item;
    }
    return listing;
}

namespace {

void Walk(const DirInfo* dir, const std::string& prefix, Listing& listing) {
    for (const DirInfo* file = dir->firstFile; file; file = file->nextFile) {
        ListedItem item{'F', file->size, file->modified, file->attributes, file->firstCluster};
        EXPECT_TRUE(listing.emplace(prefix + Utf16ToUtf8(file->name), item).second)
            << "listed twice: " << prefix + Utf16ToUtf8(file->name);
    }
    for (const DirInfo* sub = dir->firstChild; sub; sub = sub->nextSibling) {
        std::string path = prefix + Utf16ToUtf8(sub->name);
        ListedItem item{'D', 0, sub->modified, 0, 0};
        EXPECT_TRUE(listing.emplace(path, item).second) << "listed twice: " << path;
        Walk(sub, path + "/", listing);
    }
}

}  // namespace

Listing ListTree(const DirInfo* root) {
    Listing listing;
    if (root) Walk(root, "", listing);
    return listing;
}

const DirInfo* FindPath(const DirInfo* root, const std::string& path) {
    const DirInfo* dir = root;
    std::string rest = path;
    while (dir) {
        size_t slash = rest.find('/');
        std::u16string part = Utf8ToUtf16(rest.substr(0, slash));
        if (slash == std::string::npos) {
            for (const DirInfo* f = dir->firstFile; f; f = f->nextFile) {
                if (f->name == part) return f;
            }
            for (const DirInfo* d = dir->firstChild; d; d = d->nextSibling) {
                if (d->name == part) return d;
            }
            return nullptr;
        }
        const DirInfo* next = nullptr;
        for (const DirInfo* d = dir->firstChild; d; d = d->nextSibling) {
            if (d->name == part) next = d;
        }
        dir = next;
        rest = rest.substr(slash + 1);
    }
    return nullptr;
}

std::map<std::string, std::string> ParseSums(const std::string& text) {
    std::map<std::string, std::string> sums;
    std::istringstream lines(text);
    std::string hash, name;
    while (lines >> hash >> name) sums[name] = hash;
    return sums;
}

RawRecord LoadRecord(const NtFs& fs, const std::vector<uint8_t>& image, uint64_t n) {
    RawRecord record;
    auto place = fs.RecordToCluster(n);
    EXPECT_TRUE(place.ok()) << "record " << n;
    if (!place.ok()) return record;
    record.offset = place->cluster * fs.ClusterBytes() + place->byteOffset;
    if (record.offset + fs.RecordBytes() > image.size()) return record;
    record.bytes.assign(image.begin() + static_cast<ptrdiff_t>(record.offset),
                        image.begin() + static_cast<ptrdiff_t>(record.offset + fs.RecordBytes()));
    if (NtFs::ApplyFixups(record.bytes, ntfs::kFileMagic) != 0) record.bytes.clear();
    return record;
}

void StoreRecord(std::vector<uint8_t>& image, const RawRecord& record) {
    std::vector<uint8_t> bytes = record.bytes;
    uint16_t usaOffset = LoadLe<uint16_t>(bytes.data() + ntfs::kUsaOffset);
    uint16_t usaCount = LoadLe<uint16_t>(bytes.data() + ntfs::kUsaCount);
    uint16_t sequence = LoadLe<uint16_t>(bytes.data() + usaOffset);
    for (size_t i = 1; i < usaCount; ++i) {
        uint8_t* end = bytes.data() + i * ntfs::kFixupBlock - 2;
        StoreLe<uint16_t>(bytes.data() + usaOffset + 2 * i, LoadLe<uint16_t>(end));
        StoreLe<uint16_t>(end, sequence);
    }
    std::copy(bytes.begin(), bytes.end(), image.begin() + static_cast<ptrdiff_t>(record.offset));
}

int64_t FindRecordByName(const NtFs& fs, const std::vector<uint8_t>& image,
                         const std::u16string& name) {
    for (uint64_t n = ntfs::kFirstUserRecord; n < fs.RecordCount(); ++n) {
        RawRecord record = LoadRecord(fs, image, n);
        if (record.bytes.empty()) continue;
        size_t from = 0;
        for (int guard = 0; guard < 16; ++guard) {
            auto at = NtFs::FindAttributeFrom(record.bytes, ntfs::kTypeFileName, from, false);
            if (!at.ok()) break;
            ByteReader attr(std::span<const uint8_t>(record.bytes).subspan(*at));
            uint16_t valueOffset = *attr.At<uint16_t>(ntfs::kAttrValueOffset);
            uint8_t length = *attr.At<uint8_t>(valueOffset + ntfs::kFileNameLength);
            std::u16string found;
            for (size_t i = 0; i < length; ++i) {
                found += static_cast<char16_t>(
                    *attr.At<uint16_t>(valueOffset + ntfs::kFileNameText + 2 * i));
            }
            if (found == name) return static_cast<int64_t>(n);
            from = *at + *attr.At<uint32_t>(ntfs::kAttrLength);
        }
    }
    return -1;
}

}  // namespace lc::test
