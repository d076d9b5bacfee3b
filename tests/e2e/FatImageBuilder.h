// Builds a small FAT image with mkfs.fat and mtools, step by step, and remembers what it put in.
#pragma once

#include <ctime>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace lc::test {

struct SourceEntry {
    bool directory = false;
    std::vector<uint8_t> data;
    time_t mtime = 0;  // files only; as given to mcopy -m
};

class FatImageBuilder {
public:
    // fatBits 12, 16 or 32; sectorsPerCluster as mkfs.fat -s; size in KiB.
    FatImageBuilder(std::filesystem::path workDir, int fatBits, unsigned sectorsPerCluster,
                    unsigned sizeKiB);

    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, std::vector<uint8_t> data, time_t mtime);

    const std::filesystem::path& Image() const { return m_image; }
    // Every folder and file now on the image, by path relative to the root.
    const std::map<std::string, SourceEntry>& Entries() const { return m_entries; }

    // Encrypts the image into a volume with mkvol (algorithm 0 = AES-128, 1 = AES-256).
    std::filesystem::path MakeVolume(const std::string& password, int algorithm) const;

private:
    void Mtools(std::vector<std::string> argv) const;

    std::filesystem::path m_dir;
    std::filesystem::path m_image;
    std::filesystem::path m_source;
    std::map<std::string, SourceEntry> m_entries;
};

// Deterministic pseudo-random bytes.
std::vector<uint8_t> PatternBytes(size_t size, uint32_t seed);
// A point in time given as local calendar fields of the current time zone.
time_t LocalTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace lc::test
