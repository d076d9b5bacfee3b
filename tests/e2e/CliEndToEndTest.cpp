// The command-line tool on encrypted volumes made from real FAT images: listing, extraction,
// cat, wrong passwords and missing paths, under the time zone the test runs in (TZ).

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FatImageBuilder.h"
#include "TestSupport.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "Kennwort ä 1";

struct VolumeCase {
    const char* name;
    int fatBits;
    unsigned sectorsPerCluster;
    unsigned sizeKiB;
    int algorithm;
};

// One image per case, built once: names in three scripts, an empty file, a file of exactly one
// cluster, a fragmented file, 40 nested folders, a folder spanning several clusters and a label
// entry behind the first root entries.
class VolumeFixture {
public:
    explicit VolumeFixture(const VolumeCase& c)
        : builder(scratch.path() / "build", c.fatBits, c.sectorsPerCluster, c.sizeKiB) {
        const unsigned cluster = builder.ClusterBytes();
        builder.AddFile("readme.txt", {'h', 'e', 'l', 'l', 'o', '\n'},
                        LocalTime(2024, 3, 1, 14, 22, 8));
        builder.AddFile("empty.txt", {}, LocalTime(2023, 12, 24, 18, 0, 0));
        builder.AddFile("Grüße aus München.txt", PatternBytes(777, 1),
                        LocalTime(2024, 7, 15, 9, 30, 9));  // odd second: stored as 8
        builder.AddFile("日本語のファイル.txt", PatternBytes(100, 2),
                        LocalTime(2022, 10, 30, 12, 30, 0));
        builder.AddFile("Ñandú – one cluster.bin", PatternBytes(cluster, 3),
                        LocalTime(2021, 3, 28, 12, 0, 0));
        // Fragmented: the hole left by "gap.bin" is filled first, the rest lies behind "keep".
        builder.AddFile("gap.bin", PatternBytes(3 * cluster, 4), LocalTime(2020, 1, 1, 0, 0, 0));
        builder.AddFile("keep.bin", PatternBytes(cluster + 1, 5), LocalTime(2020, 1, 2, 0, 0, 0));
        builder.Delete("gap.bin");
        builder.AddFile("fragmented.bin", PatternBytes(9 * cluster + 100, 6),
                        LocalTime(2020, 1, 3, 0, 0, 0));
        builder.Label("E2ELABEL");
        builder.AddFolder("docs");
        builder.AddFile("docs/report.pdf", PatternBytes(40000, 7),
                        LocalTime(2024, 3, 1, 14, 22, 8));
        std::string nested = "docs/deep";
        builder.AddFolder(nested);
        for (int level = 2; level <= 40; ++level) {
            nested += "/n" + std::to_string(level);
            builder.AddFolder(nested);
        }
        builder.AddFile(nested + "/leaf.txt", {'l', 'e', 'a', 'f'}, LocalTime(2019, 6, 6, 6, 6, 6));
        builder.AddFolder("many");
        for (int i = 0; i < 40; ++i) {
            builder.AddFile("many/file with a rather long name " + std::to_string(i) + ".dat",
                            PatternBytes(static_cast<size_t>(i) * 37, 100 + i),
                            LocalTime(2024, 1, 1 + i % 28, 10, i, 2 * i % 60));
        }
        volume = builder.MakeVolume(kPassword, c.algorithm).string();
    }

    ScratchDir scratch;
    FatImageBuilder builder;
    std::string volume;
};

class CliEndToEnd : public ::testing::TestWithParam<VolumeCase> {
protected:
    static void SetUpTestSuite() { s_fixtures = new std::map<std::string, VolumeFixture*>; }
    static void TearDownTestSuite() {
        for (auto& [name, f] : *s_fixtures) delete f;
        delete s_fixtures;
        s_fixtures = nullptr;
    }

    void SetUp() override {
        auto& slot = (*s_fixtures)[GetParam().name];
        if (slot == nullptr) slot = new VolumeFixture(GetParam());
        m_fixture = slot;
        fs::create_directories(m_work.path() / "config");
        fs::create_directories(m_work.path() / "runtime");
    }

    RunResult Cli(std::vector<std::string> args, const std::string& password = kPassword) {
        args.insert(args.begin(), CliPath());
        return test::Run(args, {},
                         {"LCPORTABLE_PASSWORD=" + password,
                          "XDG_CONFIG_HOME=" + (m_work.path() / "config").string(),
                          "XDG_RUNTIME_DIR=" + (m_work.path() / "runtime").string()});
    }

    const std::map<std::string, SourceEntry>& Expected() const {
        return m_fixture->builder.Entries();
    }
    const std::string& Volume() const { return m_fixture->volume; }

    // Every file and folder below root, by relative path.
    static std::map<std::string, fs::path> Tree(const fs::path& root) {
        std::map<std::string, fs::path> out;
        for (auto& e : fs::recursive_directory_iterator(root))
            out[fs::relative(e.path(), root).string()] = e.path();
        return out;
    }

    void ExpectExtracted(const fs::path& out, const std::string& prefix) {
        auto tree = Tree(out);
        size_t expectedCount = 0;
        for (const auto& [path, entry] : Expected()) {
            if (path.compare(0, prefix.size(), prefix) != 0) continue;
            ++expectedCount;
            const fs::path p = out / path;
            ASSERT_TRUE(tree.count(path)) << path;
            if (entry.directory) {
                EXPECT_TRUE(fs::is_directory(p)) << path;
                continue;
            }
            EXPECT_EQ(Sha256Hex(ReadFileBytes(p)), Sha256Hex(entry.data)) << path;
            struct stat st {};
            ASSERT_EQ(::stat(p.c_str(), &st), 0);
            // FAT keeps 2-second units: an odd source second comes back one lower.
            EXPECT_EQ(st.st_mtime, entry.mtime & ~static_cast<time_t>(1)) << path;
        }
        EXPECT_EQ(tree.size(), expectedCount);
    }

    ScratchDir m_work;
    VolumeFixture* m_fixture = nullptr;
    static std::map<std::string, VolumeFixture*>* s_fixtures;
};

std::map<std::string, VolumeFixture*>* CliEndToEnd::s_fixtures = nullptr;

TEST_P(CliEndToEnd, ListingShowsTheStoredWordsInEveryTimeZone) {
    // The same words whatever zone the reader runs in: no shift by the zone offset.
    RunResult here = Cli({"ls", "--json", Volume(), "/"});
    ASSERT_EQ(here.exitCode, 0) << here.err;
    for (const char* tz : {"TZ=UTC", "TZ=Asia/Tokyo", "TZ=America/New_York"}) {
        RunResult there = test::Run({CliPath(), "ls", "--json", Volume()}, {},
                                    {std::string("LCPORTABLE_PASSWORD=") + kPassword, tz,
                                     "XDG_CONFIG_HOME=" + (m_work.path() / "config").string()});
        EXPECT_EQ(there.out, here.out) << tz;
    }
}

TEST_P(CliEndToEnd, PlainAndLongListingOfOneFolder) {
    RunResult r = Cli({"ls", Volume(), "docs"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "deep/\nreport.pdf\n");
    r = Cli({"ls", "-l", Volume(), "docs/report.pdf"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string time = LocalIso(Expected().at("docs/report.pdf").mtime);
    EXPECT_EQ(r.out, "-          40000 " + time.substr(0, 10) + " " + time.substr(11) +
                         "  docs/report.pdf\n");
}

TEST_P(CliEndToEnd, ExtractsTheWholeVolumeByteExactWithTimes) {
    const fs::path out = m_work.path() / "all";
    RunResult r = Cli({"extract", Volume(), "-C", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ExpectExtracted(out, "");
}

TEST_P(CliEndToEnd, ExtractsNamedItemsOnly) {
    const fs::path out = m_work.path() / "named";
    RunResult r = Cli({"extract", Volume(), "many", "/docs/deep/", "-C", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // "docs/deep" lands as "deep" in the target: only the named item's own name is kept.
    EXPECT_TRUE(fs::is_directory(out / "many"));
    EXPECT_TRUE(fs::is_directory(out / "deep" / "n2"));
    EXPECT_FALSE(fs::exists(out / "docs"));
    EXPECT_FALSE(fs::exists(out / "readme.txt"));
    std::string leaf = "deep";
    for (int level = 2; level <= 40; ++level) leaf += "/n" + std::to_string(level);
    EXPECT_EQ(ReadFileBytes(out / leaf / "leaf.txt"), (std::vector<uint8_t>{'l', 'e', 'a', 'f'}));
    size_t many = 0;
    for (auto& e : fs::directory_iterator(out / "many")) {
        (void)e;
        ++many;
    }
    EXPECT_EQ(many, 40u);
}

TEST_P(CliEndToEnd, ExistingFilesAreRefusedSkippedOrOverwritten) {
    const fs::path out = m_work.path() / "again";
    ASSERT_EQ(Cli({"extract", Volume(), "readme.txt", "-C", out.string()}).exitCode, 0);
    const fs::path file = out / "readme.txt";
    WriteFileBytes(file, {'m', 'i', 'n', 'e'});

    RunResult r = Cli({"extract", Volume(), "readme.txt", "-C", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(file.string()), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(file), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));

    r = Cli({"extract", Volume(), "readme.txt", "-C", out.string(), "--skip-existing"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadFileBytes(file), (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));

    r = Cli({"extract", Volume(), "readme.txt", "-C", out.string(), "--overwrite"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(file), Expected().at("readme.txt").data);

    EXPECT_EQ(Cli({"extract", Volume(), "--overwrite", "--skip-existing"}).exitCode, 2);
}

TEST_P(CliEndToEnd, CatWritesTheFileData) {
    for (const char* path : {"Grüße aus München.txt", "docs/report.pdf", "fragmented.bin",
                             "empty.txt", "Ñandú – one cluster.bin"}) {
        RunResult r = Cli({"cat", Volume(), path});
        ASSERT_EQ(r.exitCode, 0) << path << r.err;
        EXPECT_EQ(Sha256Hex(std::vector<uint8_t>(r.out.begin(), r.out.end())),
                  Sha256Hex(Expected().at(path).data))
            << path;
    }
    RunResult r = Cli({"cat", Volume(), "docs"});
    EXPECT_EQ(r.exitCode, 1);
}

TEST_P(CliEndToEnd, WrongPasswordEndsWithExitCode3AndWritesNothing) {
    // Each wrong password waits out a delay that grows with the count kept in the settings
    // store: every run gets a fresh store, and only the first volume tries all commands.
    int run = 0;
    auto wrong = [&](std::vector<std::string> args) {
        const fs::path config = m_work.path() / ("wrong-config-" + std::to_string(run++));
        fs::create_directories(config);
        args.insert(args.begin(), CliPath());
        return test::Run(args, {},
                         {"LCPORTABLE_PASSWORD=not it", "XDG_CONFIG_HOME=" + config.string(),
                          "XDG_RUNTIME_DIR=" + config.string()});
    };
    const fs::path out = m_work.path() / "wrong";
    RunResult r = wrong({"extract", Volume(), "-C", out.string()});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(out));
    if (std::string(GetParam().name) != "Fat12Aes128") return;
    EXPECT_EQ(wrong({"ls", "-R", Volume()}).exitCode, 3);
    r = wrong({"cat", Volume(), "readme.txt"});
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_EQ(r.out, "");
}

TEST_P(CliEndToEnd, MissingPathIsAnErrorNamingIt) {
    const fs::path out = m_work.path() / "missing";
    const std::vector<std::vector<std::string>> commands = {
        {"ls", Volume(), "docs/nothing here"},
        {"cat", Volume(), "docs/nothing here"},
        {"extract", Volume(), "readme.txt", "docs/nothing here", "-C", out.string()},
        {"cat", Volume(), "readme.txt/more"},
    };
    for (const auto& args : commands) {
        RunResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 1) << args[0];
        EXPECT_NE(r.err.find(args[0] == "extract" ? args[3] : args[2]), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
    EXPECT_FALSE(fs::exists(out / "readme.txt"));  // nothing is written when a name is missing
}

INSTANTIATE_TEST_SUITE_P(Volumes, CliEndToEnd,
                         ::testing::Values(VolumeCase{"Fat12Aes128", 12, 1, 1500, 0},
                                           VolumeCase{"Fat16Aes256", 16, 1, 6000, 1},
                                           VolumeCase{"Fat32Aes128", 32, 1, 34000, 0},
                                           VolumeCase{"Fat32Aes256", 32, 1, 34000, 1}),
                         [](const auto& param) { return std::string(param.param.name); });

// Long names may hold what a path must not: a patched name entry with '/' and characters JSON
// must escape is listed as stored and extracted under a safe name, inside the target.
TEST(CliHostileNames, ListedAsStoredExtractedSafely) {
    ScratchDir dir;
    FatImageBuilder builder(dir.path() / "build", 12, 1, 1500);
    builder.AddFile("Aa1Bb2Cc3.txt", {'x'}, LocalTime(2024, 3, 1, 14, 22, 8));
    // The first long-name piece holds "Aa1Bb" as UTF-16LE; its checksum covers only the short
    // name, so the characters can be changed in place.
    std::vector<uint8_t> image = ReadFileBytes(builder.Image());
    const uint8_t piece[] = {'A', 0, 'a', 0, '1', 0, 'B', 0, 'b', 0};
    auto at = std::search(image.begin(), image.end(), std::begin(piece), std::end(piece));
    ASSERT_NE(at, image.end());
    at[2] = '"';
    at[4] = '\\';
    at[6] = 0x01;
    at[8] = '/';
    WriteFileBytes(builder.Image(), image);
    const std::string vol = builder.MakeVolume(kPassword, 1).string();
    const std::vector<std::string> env = {std::string("LCPORTABLE_PASSWORD=") + kPassword,
                                          "XDG_CONFIG_HOME=" + dir.path().string(),
                                          "XDG_RUNTIME_DIR=" + dir.path().string()};

    RunResult r = test::Run({CliPath(), "ls", "--json", vol}, {}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("{\"path\":\"A\\\"\\\\\\u0001/2Cc3.txt\",\"type\":\"file\""),
              std::string::npos)
        << r.out;

    const fs::path out = dir.path() / "out";
    r = test::Run({CliPath(), "extract", vol, "-C", out.string()}, {}, env);
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(out / "A\"\\\x01_2Cc3.txt"), (std::vector<uint8_t>{'x'}));
    size_t entries = 0;
    for (auto& e : fs::recursive_directory_iterator(dir.path() / "out")) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

}  // namespace
}  // namespace lc::test
