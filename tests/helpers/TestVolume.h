// Volumes for the tests: random plain images turned into volume files by mkvol.
#pragma once

#include <cstdint>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace lc::test {

inline std::vector<uint8_t> RandomImage(size_t sectors, uint32_t seed) {
    std::mt19937 generator(seed);
    std::vector<uint8_t> image(sectors * 512);
    for (auto& b : image) b = static_cast<uint8_t>(generator());
    return image;
}

// The image as name.img and, made by mkvol with the options, name.vol.
inline std::filesystem::path MakeVolume(const ScratchDir& dir, const std::string& name,
                                        const std::vector<uint8_t>& image,
                                        const std::vector<std::string>& options) {
    WriteFileBytes(dir / (name + ".img"), image);
    std::vector<std::string> argv{MkvolPath()};
    argv.insert(argv.end(), options.begin(), options.end());
    argv.insert(argv.end(), {(dir / (name + ".img")).string(), (dir / (name + ".vol")).string()});
    RunResult r = Run(argv);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return dir / (name + ".vol");
}

// "--a 1 --b" as {"--a", "1", "--b"}.
inline std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::istringstream in(text);
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

}  // namespace lc::test
