// FAT and NTFS test helpers: fixture files, record paths, copying a file out, a FAT image editor.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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

// tests/fixtures/<area>/<name>.zst decompressed once per process; returns its path.
inline std::filesystem::path Unpacked(const std::string& area, const std::string& name) {
    static ScratchDir scratch;
    auto plain = scratch / (area + "-" + name);
    if (!std::filesystem::exists(plain)) {
        auto packed = FixtureDir() / area / (name + ".zst");
        RunResult r = Run({"zstd", "-d", "-q", "-f", packed.string(), "-o", plain.string()});
        if (r.exitCode != 0) throw std::runtime_error("zstd failed: " + r.err);
    }
    return plain;
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
    if (!dir) return;
    for (const DirInfo* f = dir->firstFile; f; f = f->nextFile) out.push_back(f);
    for (const DirInfo* d = dir->firstChild; d; d = d->nextSibling) {
        out.push_back(d);
        CollectRecords(d, out);
    }
}

inline const DirInfo* FindPath(const DirInfo* root, const std::string& path) {
    std::vector<const DirInfo*> all;
    CollectRecords(root, all);
    auto it = std::find_if(all.begin(), all.end(), [&](auto r) { return PathOf(r) == path; });
    return it == all.end() ? nullptr : *it;
}

inline size_t FileCount(const DirInfo* dir) {
    size_t n = 0;
    for (const DirInfo* f = dir ? dir->firstFile : nullptr; f; f = f->nextFile) ++n;
    return n;
}

// Copies a file's data into a scratch file and returns the bytes; status through result.
inline std::vector<uint8_t> CopyOut(FileSystemBase& fs, const DirInfo& file, Status& result,
                                    const ScratchDir& scratch) {
    auto path = scratch / "copy.out";
    File out;
    result = out.CreateReplace(path.string());
    if (result != status::kSuccess) return {};
    result = fs.CopyFileData(file.firstCluster, out, file.size);
    out.Close();
    return ReadFileBytes(path);
}

// The layout of a FAT image, read from its boot sector, and in-place edits.
class FatImageEditor {
public:
    explicit FatImageEditor(std::vector<uint8_t>& image) : m_image(image) {
        ByteReader boot(image);
        m_sectorBytes = *boot.At<uint16_t>(11);
        m_clusterBytes = m_sectorBytes * *boot.At<uint8_t>(13);
        m_reserved = *boot.At<uint16_t>(14);
        m_fatCount = *boot.At<uint8_t>(16);
        m_rootEntries = *boot.At<uint16_t>(17);
        m_fatSize = *boot.At<uint16_t>(22);
        if (m_fatSize == 0) m_fatSize = *boot.At<uint32_t>(36);
        m_bits = m_rootEntries == 0
                     ? 32
                     : (std::string(image.begin() + 54, image.begin() + 59) == "FAT12" ? 12 : 16);
        m_rootCluster = m_bits == 32 ? *boot.At<uint32_t>(44) : 0;
        m_rootOffset = uint64_t{m_reserved + m_fatCount * m_fatSize} * m_sectorBytes;
        m_firstData = m_rootOffset + (m_rootEntries * 32 + m_sectorBytes - 1) / m_sectorBytes *
                                         uint64_t{m_sectorBytes};
    }

    uint64_t ClusterOffset(uint32_t cluster) const {
        return m_firstData + uint64_t{cluster - 2} * m_clusterBytes;
    }
    uint32_t RootCluster() const { return m_rootCluster; }
    void SetRootCluster(uint32_t cluster) { StoreLe<uint32_t>(&m_image[44], cluster); }

    // Sets the entry in every FAT.
    void SetFat(uint32_t cluster, uint32_t value) {
        for (uint32_t f = 0; f < m_fatCount; ++f) {
            uint64_t base = uint64_t{m_reserved + f * m_fatSize} * m_sectorBytes;
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
        uint64_t base = uint64_t{m_reserved} * m_sectorBytes;
        if (m_bits == 32) return LoadLe<uint32_t>(&m_image[base + cluster * 4]);
        if (m_bits == 16) return LoadLe<uint16_t>(&m_image[base + cluster * 2]);
        uint16_t v = LoadLe<uint16_t>(&m_image[base + cluster * 3 / 2]);
        return (cluster & 1) ? v >> 4 : v & 0xFFF;
    }

    // Offset of the 32-byte entry with this 11-byte short name in the root directory (cluster
    // 0) or in the first cluster of a directory; 0 when it is not there.
    uint64_t FindEntry(uint32_t dirCluster, const std::string& shortName) const {
        uint64_t start = m_rootOffset, count = m_rootEntries;
        if (dirCluster == 0 && m_bits == 32) dirCluster = m_rootCluster;
        if (dirCluster != 0) {
            start = ClusterOffset(dirCluster);
            count = m_clusterBytes / 32;
        }
        for (uint64_t at = start; at < start + count * 32; at += 32) {
            if (std::string(m_image.begin() + at, m_image.begin() + at + 11) == shortName &&
                (m_image[at + 11] & 0x0F) != 0x0F) {
                return at;
            }
        }
        return 0;
    }
    uint32_t EntryCluster(uint64_t entry) const {
        return LoadLe<uint16_t>(&m_image[entry + 26]) |
               (uint32_t{LoadLe<uint16_t>(&m_image[entry + 20])} << 16);
    }
    void SetEntryCluster(uint64_t entry, uint32_t cluster) {
        StoreLe<uint16_t>(&m_image[entry + 26], static_cast<uint16_t>(cluster));
        StoreLe<uint16_t>(&m_image[entry + 20], static_cast<uint16_t>(cluster >> 16));
    }
    void SetEntrySize(uint64_t entry, uint32_t size) {
        StoreLe<uint32_t>(&m_image[entry + 28], size);
    }

private:
    std::vector<uint8_t>& m_image;
    uint32_t m_sectorBytes, m_clusterBytes, m_reserved, m_fatCount, m_rootEntries, m_fatSize;
    int m_bits;
    uint32_t m_rootCluster;
    uint64_t m_rootOffset, m_firstData;
};

// Makes a FAT image with mkfs.fat (one sector per cluster) and fills it with mtools commands.
inline std::vector<uint8_t> MakeFatImage(const ScratchDir& scratch, int bits, int kib,
                                         const std::vector<std::vector<std::string>>& mtools) {
    auto img = (scratch / ("made-" + std::to_string(bits) + ".img")).string();
    std::filesystem::remove(img);
    RunResult r = Run({"mkfs.fat", "-C", "-F", std::to_string(bits), "-s", "1", "-S", "512", img,
                       std::to_string(kib)});
    if (r.exitCode != 0) throw std::runtime_error("mkfs.fat failed: " + r.err);
    for (auto command : mtools) {
        command.insert(command.begin() + 1, {"-i", img});
        r = Run(command, {}, {"MTOOLS_SKIP_CHECK=1"});
        if (r.exitCode != 0) throw std::runtime_error(command[0] + " failed: " + r.err);
    }
    return ReadFileBytes(img);
}

}  // namespace lc::test
