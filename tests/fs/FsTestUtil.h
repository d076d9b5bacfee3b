// Helpers of the FAT tests: fixture images, paths of DirInfo records, and an editor that patches
// FAT entries and directory entries of an image in memory.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "fs/DirInfo.h"
#include "fs/FileSystemBase.h"
#include "fs/PlainImageVolume.h"
#include "platform/ByteReader.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace lc::test {

// A fixture image of tests/fixtures/fat, decompressed once per process.
inline const std::vector<uint8_t>& FatFixture(const std::string& name) {
    static std::map<std::string, std::vector<uint8_t>> cache;
    static ScratchDir scratch;
    auto it = cache.find(name);
    if (it != cache.end()) return it->second;
    auto packed = FixtureDir() / "fat" / (name + ".img.zst");
    auto plain = scratch / (name + ".img");
    RunResult r = Run({"zstd", "-d", "-q", "-f", packed.string(), "-o", plain.string()});
    if (r.exitCode != 0) throw std::runtime_error("zstd failed: " + r.err);
    return cache[name] = ReadFileBytes(plain);
}

inline std::string FixtureText(const std::string& file) {
    auto bytes = ReadFileBytes(FixtureDir() / "fat" / file);
    return std::string(bytes.begin(), bytes.end());
}

// Path below the root, '/' separated, names as stored.
inline std::string PathOf(const DirInfo* record) {
    std::string path;
    for (const DirInfo* r = record; r && r->parent; r = r->parent) {
        path = path.empty() ? Utf16ToUtf8(r->name) : Utf16ToUtf8(r->name) + "/" + path;
    }
    return path;
}

// Every record below the root, directories before their contents.
inline void CollectRecords(const DirInfo* dir, std::vector<const DirInfo*>& out) {
    for (const DirInfo* f = dir->firstFile; f; f = f->nextFile) out.push_back(f);
    for (const DirInfo* d = dir->firstChild; d; d = d->nextSibling) {
        out.push_back(d);
        CollectRecords(d, out);
    }
}

inline const DirInfo* FindPath(const DirInfo* root, const std::string& path) {
    std::vector<const DirInfo*> all;
    CollectRecords(root, all);
    for (const DirInfo* r : all) {
        if (PathOf(r) == path) return r;
    }
    return nullptr;
}

// Copies a file's data into a scratch file and returns the bytes; status through out.
inline std::vector<uint8_t> CopyOut(FileSystemBase& fs, const DirInfo& file, Status& result,
                                    const ScratchDir& scratch) {
    auto path = scratch / "copy.out";
    File out;
    result = out.CreateReplace(path.string());
    if (result) return {};
    result = fs.CopyFileData(file.firstCluster, out, file.size);
    out.Close();
    return ReadFileBytes(path);
}

// The layout of a FAT image, read from its boot sector, and in-place edits.
class FatImageEditor {
public:
    explicit FatImageEditor(std::vector<uint8_t>& image) : m_image(image) {
        ByteReader boot(image);
        m_bytesPerSector = *boot.At<uint16_t>(11);
        m_sectorsPerCluster = *boot.At<uint8_t>(13);
        m_reserved = *boot.At<uint16_t>(14);
        m_fatCount = *boot.At<uint8_t>(16);
        m_rootEntries = *boot.At<uint16_t>(17);
        uint32_t fatSize = *boot.At<uint16_t>(22);
        if (fatSize == 0) fatSize = *boot.At<uint32_t>(36);
        m_fatSize = fatSize;
        m_bits = m_rootEntries == 0
                     ? 32
                     : (std::string(image.begin() + 54, image.begin() + 59) == "FAT12" ? 12 : 16);
        m_rootCluster = m_bits == 32 ? *boot.At<uint32_t>(44) : 0;
        uint32_t rootSectors = (m_rootEntries * 32 + m_bytesPerSector - 1) / m_bytesPerSector;
        m_rootOffset =
            static_cast<uint64_t>(m_reserved + m_fatCount * m_fatSize) * m_bytesPerSector;
        m_firstData = m_rootOffset + static_cast<uint64_t>(rootSectors) * m_bytesPerSector;
    }

    int Bits() const { return m_bits; }
    uint32_t ClusterBytes() const { return m_bytesPerSector * m_sectorsPerCluster; }
    uint64_t ClusterOffset(uint32_t cluster) const {
        return m_firstData + static_cast<uint64_t>(cluster - 2) * ClusterBytes();
    }
    uint32_t RootCluster() const { return m_rootCluster; }
    void SetRootCluster(uint32_t cluster) { StoreLe<uint32_t>(&m_image[44], cluster); }

    // Sets the entry in every FAT.
    void SetFat(uint32_t cluster, uint32_t value) {
        for (uint32_t f = 0; f < m_fatCount; ++f) {
            uint64_t base = static_cast<uint64_t>(m_reserved + f * m_fatSize) * m_bytesPerSector;
            if (m_bits == 32) {
                StoreLe<uint32_t>(&m_image[base + cluster * 4], value);
            } else if (m_bits == 16) {
                StoreLe<uint16_t>(&m_image[base + cluster * 2], static_cast<uint16_t>(value));
            } else {
                uint64_t at = base + cluster * 3 / 2;
                uint16_t old = LoadLe<uint16_t>(&m_image[at]);
                uint16_t v = (cluster & 1)
                                 ? static_cast<uint16_t>((old & 0x000F) | (value << 4))
                                 : static_cast<uint16_t>((old & 0xF000) | (value & 0xFFF));
                StoreLe<uint16_t>(&m_image[at], v);
            }
        }
    }
    uint32_t GetFat(uint32_t cluster) const {
        uint64_t base = static_cast<uint64_t>(m_reserved) * m_bytesPerSector;
        if (m_bits == 32) return LoadLe<uint32_t>(&m_image[base + cluster * 4]);
        if (m_bits == 16) return LoadLe<uint16_t>(&m_image[base + cluster * 2]);
        uint16_t v = LoadLe<uint16_t>(&m_image[base + cluster * 3 / 2]);
        return (cluster & 1) ? v >> 4 : v & 0xFFF;
    }

    // Offset of the 32-byte entry with this 11-byte short name in the root directory (cluster
    // 0) or in the first cluster of a directory; 0 when it is not there.
    uint64_t FindEntry(uint32_t dirCluster, const std::string& shortName) const {
        uint64_t start = m_rootOffset;
        uint64_t count = m_rootEntries;
        if (dirCluster == 0 && m_bits == 32) dirCluster = m_rootCluster;
        if (dirCluster != 0) {
            start = ClusterOffset(dirCluster);
            count = ClusterBytes() / 32;
        }
        for (uint64_t i = 0; i < count; ++i) {
            uint64_t at = start + i * 32;
            if (std::string(m_image.begin() + at, m_image.begin() + at + 11) == shortName &&
                (m_image[at + 11] & 0x0F) != 0x0F) {
                return at;
            }
        }
        return 0;
    }
    static uint32_t EntryCluster(const std::vector<uint8_t>& image, uint64_t entry) {
        return LoadLe<uint16_t>(&image[entry + 26]) |
               (static_cast<uint32_t>(LoadLe<uint16_t>(&image[entry + 20])) << 16);
    }
    uint32_t EntryCluster(uint64_t entry) const { return EntryCluster(m_image, entry); }
    void SetEntryCluster(uint64_t entry, uint32_t cluster) {
        StoreLe<uint16_t>(&m_image[entry + 26], static_cast<uint16_t>(cluster));
        StoreLe<uint16_t>(&m_image[entry + 20], static_cast<uint16_t>(cluster >> 16));
    }
    void SetEntrySize(uint64_t entry, uint32_t size) {
        StoreLe<uint32_t>(&m_image[entry + 28], size);
    }

private:
    std::vector<uint8_t>& m_image;
    uint32_t m_bytesPerSector, m_sectorsPerCluster, m_reserved, m_fatCount, m_rootEntries;
    uint32_t m_fatSize;
    int m_bits;
    uint32_t m_rootCluster;
    uint64_t m_rootOffset, m_firstData;
};

// Makes a FAT image with mkfs.fat and lets a function fill it with mtools.
inline std::vector<uint8_t> MakeFatImage(const ScratchDir& scratch, int bits, int kib,
                                         int sectorsPerCluster,
                                         const std::vector<std::vector<std::string>>& mtools) {
    auto img = (scratch / ("made-" + std::to_string(bits) + ".img")).string();
    std::filesystem::remove(img);
    RunResult r = Run({"mkfs.fat", "-C", "-F", std::to_string(bits), "-s",
                       std::to_string(sectorsPerCluster), "-S", "512", img, std::to_string(kib)});
    if (r.exitCode != 0) throw std::runtime_error("mkfs.fat failed: " + r.err);
    for (auto command : mtools) {
        command.insert(command.begin() + 1, {"-i", img});
        r = Run(command, {}, {"MTOOLS_SKIP_CHECK=1"});
        if (r.exitCode != 0) throw std::runtime_error(command[0] + " failed: " + r.err);
    }
    return ReadFileBytes(img);
}

}  // namespace lc::test
