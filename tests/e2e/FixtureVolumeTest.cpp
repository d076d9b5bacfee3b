// The command-line tool on volumes made from the FAT fixture images: `ls -R --json` against the
// fls listing kept with each image, `extract` against the SHA-256 of the source files.

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;

struct FixtureCase {
    const char* image;
    int algorithm;
};

struct Listed {
    std::string type, size, mtime;
};

std::vector<std::string> SplitTabs(const std::string& line) {
    std::vector<std::string> parts;
    std::stringstream in(line);
    std::string part;
    while (std::getline(in, part, '\t')) parts.push_back(part);
    return parts;
}

std::string JsonField(const std::string& line, const std::string& key) {
    const std::string marker = "\"" + key + "\":";
    size_t at = line.find(marker);
    if (at == std::string::npos) return {};
    at += marker.size();
    if (line[at] != '"') return line.substr(at, line.find_first_of(",}", at) - at);
    std::string value;
    for (size_t i = at + 1; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\') ++i;
        value += line[i];
    }
    return value;
}

class FixtureVolumes : public ::testing::TestWithParam<FixtureCase> {
protected:
    void SetUp() override {
        const fs::path compressed =
            FixtureDir() / "fat" / (std::string(GetParam().image) + ".img.zst");
        if (!fs::exists(compressed)) GTEST_SKIP() << "no fixture " << compressed;
        m_image = m_dir.path() / "image";
        ASSERT_EQ(
            test::Run({"zstd", "-q", "-d", compressed.string(), "-o", m_image.string()}).exitCode,
            0);
        m_volume = (m_dir.path() / "fixture.vol").string();
        RunResult made =
            test::Run({MkvolPath(), "--password-a", "fixture", "--algorithm",
                       std::to_string(GetParam().algorithm), m_image.string(), m_volume});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }

    RunResult Cli(std::vector<std::string> args) {
        args.insert(args.begin(), CliPath());
        return test::Run(args, {},
                         {"LCPORTABLE_PASSWORD=fixture", "XDG_CONFIG_HOME=" + m_dir.path().string(),
                          "XDG_RUNTIME_DIR=" + m_dir.path().string()});
    }

    fs::path Companion(const char* extension) const {
        return FixtureDir() / "fat" / (std::string(GetParam().image) + extension);
    }

    ScratchDir m_dir;
    fs::path m_image;
    std::string m_volume;
};

TEST_P(FixtureVolumes, JsonListingMatchesFls) {
    // fls -l keeps live entries without the label entry, deleted ones (marked *) and the
    // virtual files it adds; its times are the stored words shown as UTC.
    std::map<std::string, Listed> expected;
    std::ifstream fls(Companion(".fls"));
    ASSERT_TRUE(fls) << Companion(".fls");
    for (std::string line; std::getline(fls, line);) {
        auto parts = SplitTabs(line);
        if (parts.size() < 7 || parts[0].find('*') != std::string::npos) continue;
        if (parts[0].rfind("r/r", 0) != 0 && parts[0].rfind("d/d", 0) != 0) continue;
        if (parts[1].find("(Volume Label Entry)") != std::string::npos) continue;
        const bool dir = parts[0][0] == 'd';
        std::string mtime = parts[2].substr(0, 19);
        mtime[10] = 'T';
        expected[parts[1]] = {dir ? "dir" : "file", dir ? "0" : parts[6], mtime};
    }
    ASSERT_FALSE(expected.empty());

    RunResult r = Cli({"ls", "-R", "--json", m_volume});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, Listed> listed;
    std::map<std::string, size_t> position;
    std::stringstream out(r.out);
    for (std::string line; std::getline(out, line);) {
        const std::string path = JsonField(line, "path");
        position[path] = position.size();
        listed[path] = {JsonField(line, "type"), JsonField(line, "size"), JsonField(line, "mtime")};
        if (listed[path].type == "dir") {
            EXPECT_EQ(JsonField(line, "attributes"), "16") << path;
        }
    }
    // Pre-order with folders first: a folder before its contents, and before its parent's files.
    for (const auto& [path, entry] : listed) {
        const size_t slash = path.rfind('/');
        const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash);
        if (!parent.empty()) {
            EXPECT_LT(position[parent], position[path]) << path;
        }
        if (entry.type != "file") continue;
        for (const auto& [other, otherEntry] : listed) {
            const size_t otherSlash = other.rfind('/');
            const std::string otherParent =
                otherSlash == std::string::npos ? "" : other.substr(0, otherSlash);
            if (otherEntry.type == "dir" && otherParent == parent) {
                EXPECT_LT(position[other], position[path]) << other << " after " << path;
            }
        }
    }
    EXPECT_EQ(listed.size(), expected.size());
    for (const auto& [path, want] : expected) {
        auto it = listed.find(path);
        ASSERT_NE(it, listed.end()) << "not listed: " << path;
        EXPECT_EQ(it->second.type, want.type) << path;
        EXPECT_EQ(it->second.size, want.size) << path;
        EXPECT_EQ(it->second.mtime, want.mtime) << path;
    }
}

TEST_P(FixtureVolumes, ExtractedFilesMatchTheSourceHashes) {
    const fs::path out = m_dir.path() / "out";
    RunResult r = Cli({"extract", m_volume, "-C", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::ifstream sums(Companion(".sha256"));
    ASSERT_TRUE(sums) << Companion(".sha256");
    size_t files = 0;
    for (std::string line; std::getline(sums, line);) {
        if (line.size() < 67) continue;
        const std::string hash = line.substr(0, 64), path = line.substr(66);
        ASSERT_TRUE(fs::is_regular_file(out / path)) << path;
        EXPECT_EQ(Sha256Hex(ReadFileBytes(out / path)), hash) << path;
        ++files;
    }
    size_t extracted = 0;
    for (auto& e : fs::recursive_directory_iterator(out)) extracted += e.is_regular_file();
    EXPECT_EQ(extracted, files);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, FixtureVolumes,
                         ::testing::Values(FixtureCase{"fat12", 0}, FixtureCase{"fat16", 1},
                                           FixtureCase{"fat32", 0}, FixtureCase{"fat32", 1}),
                         [](const auto& param) {
                             return std::string(param.param.image) +
                                    (param.param.algorithm == 0 ? "Aes128" : "Aes256");
                         });

}  // namespace
}  // namespace lc::test
