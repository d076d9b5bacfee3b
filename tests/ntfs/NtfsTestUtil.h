// Helpers of the NTFS tests: fixture images, expected listings, and raw record access for
// patching images in memory.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fs/DirInfo.h"
#include "fs/NtFs.h"
#include "fs/PlainImageVolume.h"

namespace lc::test {

// One listed item: "D" or "F", size (files), packed local time.
struct ListedItem {
    char kind = 'F';
    uint64_t size = 0;
    uint32_t modified = 0;
    uint32_t attributes = 0;
    uint32_t record = 0;
    bool operator==(const ListedItem& other) const {
        return kind == other.kind && size == other.size && modified == other.modified;
    }
};
using Listing = std::map<std::string, ListedItem>;  // by path, "/" separated, no leading slash

// Decompresses a .zst fixture of tests/fixtures/ntfs into folder; returns the path.
std::filesystem::path Decompress(const std::string& name, const std::filesystem::path& folder);
// The user entries of an fls -m body file: no system files, no deleted entries, no $FILE_NAME
// duplicates. Times become packed local time, directory sizes 0.
Listing ParseFlsBody(const std::string& body);
// Everything below the root of a volume's tree; directory sizes 0.
Listing ListTree(const DirInfo* root);
// Finds a listed file by path, or null.
const DirInfo* FindPath(const DirInfo* root, const std::string& path);
// SHA-256 by file name from a sha256sum listing.
std::map<std::string, std::string> ParseSums(const std::string& text);

// A raw FILE record of an image: its byte offset, and its bytes with the fixups applied.
struct RawRecord {
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
};
// Record n of the image as the mounted reader places it (the record must not straddle runs).
RawRecord LoadRecord(const NtFs& fs, const std::vector<uint8_t>& image, uint64_t n);
// Puts a record back with its update sequence redone.
void StoreRecord(std::vector<uint8_t>& image, const RawRecord& record);
// The record whose first non-DOS file name is name (a folder or file), or -1.
int64_t FindRecordByName(const NtFs& fs, const std::vector<uint8_t>& image,
                         const std::u16string& name);

}  // namespace lc::test
