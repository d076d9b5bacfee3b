// Fixture images as mkvol volumes and what `extract` writes of them, made once per process.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "TestSupport.h"

namespace lc::test {

inline constexpr const char* kMountPassword = "mount-pw";

struct MountFixture {
    const char* area;
    const char* image;  // tests/fixtures/<area>/<image>.zst
};

// FAT12/16/32 (one with 4 KiB sectors), NTFS (512 B, 4 KiB, Windows-like), long names.
inline const MountFixture kMountFixtures[] = {
    {"fat", "fat12.img"},         {"fat", "fat16.img"},
    {"fat", "fat32.img"},         {"fat", "s4096-fat32.img"},
    {"ntfs", "ntfs-512.img"},     {"ntfs", "ntfs-4096.img"},
    {"ntfs", "ntfs-windows.img"}, {"extract", "longnames-ntfs.img"},
};

inline std::string FixtureName(const testing::TestParamInfo<MountFixture>& info) {
    std::string name = info.param.image;
    for (char& c : name)
        if (!isalnum(c)) c = '_';
    return name;
}

inline std::vector<std::string> CliEnvironment(const std::filesystem::path& home) {
    return {std::string("LCPORTABLE_PASSWORD=") + kMountPassword,
            "XDG_CONFIG_HOME=" + home.string(), "XDG_RUNTIME_DIR=" + home.string()};
}

struct PreparedVolume {
    std::string volume;
    std::filesystem::path extracted;  // `extract -C` of the whole volume
};

inline const PreparedVolume& Prepare(const MountFixture& fixture) {
    static ScratchDir scratch;
    static std::map<std::string, PreparedVolume> made;
    const std::string key = std::string(fixture.area) + "-" + fixture.image;
    if (auto it = made.find(key); it != made.end()) return it->second;
    PreparedVolume& prepared = made[key];
    const auto image = scratch / key;
    const auto packed = FixtureDir() / fixture.area / (std::string(fixture.image) + ".zst");
    EXPECT_EQ(Run({"zstd", "-q", "-f", "-d", packed.string(), "-o", image.string()}).exitCode, 0);
    prepared.volume = (scratch / (key + ".vol")).string();
    RunResult made_vol =
        Run({MkvolPath(), "--password-a", kMountPassword, image.string(), prepared.volume});
    EXPECT_EQ(made_vol.exitCode, 0) << made_vol.err;
    std::filesystem::remove(image);
    prepared.extracted = scratch / (key + ".out");
    std::filesystem::create_directory(prepared.extracted);
    // Links and encrypted files are passed over (exit 1 for the latter); the rest comes out.
    Run({CliPath(), "extract", "-q", "-C", prepared.extracted.string(), prepared.volume}, {},
        CliEnvironment(scratch.path()));
    return prepared;
}

// Random (offset, length) pairs: short and long, at the start, inside, across and past the end.
inline std::vector<std::pair<uint64_t, size_t>> RandomRanges(uint64_t size, unsigned seed,
                                                             size_t count) {
    std::mt19937_64 random(seed);
    std::vector<std::pair<uint64_t, size_t>> ranges;
    for (size_t i = 0; i < count; ++i) {
        uint64_t offset = random() % (size + 4097);
        const uint64_t span = std::min<uint64_t>(size, 1100u << 10) + 4100;
        size_t length = static_cast<size_t>((random() & 1) ? random() % 4100 : random() % span);
        if (i % 7 == 0 && size > 0) offset = size - 1 - random() % std::min<uint64_t>(size, 600);
        ranges.emplace_back(offset, length);
    }
    return ranges;
}

// Up to length bytes of the file at path from offset on (fewer at its end).
inline std::vector<uint8_t> ReadRange(const std::filesystem::path& path, uint64_t offset,
                                      size_t length) {
    std::vector<uint8_t> bytes(length);
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(length));
    bytes.resize(static_cast<size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return bytes;
}

}  // namespace lc::test
