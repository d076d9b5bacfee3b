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

// One line of `ls --json`: a flat object of strings and numbers.
std::map<std::string, std::string> ParseJsonLine(const std::string& line) {
    std::map<std::string, std::string> fields;
    size_t i = 0;
    auto readString = [&]() {
        std::string s;
        ++i;  // opening quote
        while (i < line.size() && line[i] != '"') {
            if (line[i] == '\\') {
                char e = line[++i];
                if (e == 'u') {
                    s += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
                    i += 4;
                } else {
                    s += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
                }
            } else {
                s += line[i];
            }
            ++i;
        }
        ++i;
        return s;
    };
    if (line.empty() || line[0] != '{') return fields;
    i = 1;
    while (i < line.size() && line[i] == '"') {
        std::string key = readString();
        ++i;  // ':'
        std::string value;
        if (line[i] == '"') {
            value = readString();
        } else {
            while (i < line.size() && line[i] != ',' && line[i] != '}') value += line[i++];
        }
        fields[key] = value;
        if (line[i] == ',') ++i;
    }
    return fields;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

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

TEST_P(CliEndToEnd, JsonListingMatchesTheSourceTree) {
    RunResult r = Cli({"ls", "-R", "--json", Volume()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::map<std::string, std::map<std::string, std::string>> listed;
    std::vector<std::string> order;
    for (const auto& line : Lines(r.out)) {
        auto fields = ParseJsonLine(line);
        ASSERT_TRUE(fields.count("path")) << line;
        order.push_back(fields["path"]);
        EXPECT_TRUE(listed.emplace(fields["path"], fields).second) << "twice: " << line;
    }
    ASSERT_EQ(listed.size(), Expected().size());
    for (const auto& [path, entry] : Expected()) {
        ASSERT_TRUE(listed.count(path)) << path;
        auto& f = listed[path];
        EXPECT_EQ(f["type"], entry.directory ? "dir" : "file") << path;
        if (entry.directory) {
            EXPECT_EQ(f["size"], "0");
            EXPECT_EQ(f["attributes"], "16");
            EXPECT_EQ(f["mtime"].size(), 19u);
        } else {
            EXPECT_EQ(f["size"], std::to_string(entry.data.size())) << path;
            EXPECT_EQ(f["mtime"], LocalIso(entry.mtime & ~static_cast<time_t>(1))) << path;
            EXPECT_EQ(f["attributes"], "32") << path;  // archive, as mcopy leaves it
        }
    }
    // Pre-order, folders first: a folder comes before everything in it, and a folder's
    // subfolders before its files.
    std::map<std::string, size_t> position;
    for (size_t i = 0; i < order.size(); ++i) position[order[i]] = i;
    for (const auto& [path, entry] : Expected()) {
        const auto slash = path.rfind('/');
        if (slash != std::string::npos) {
            EXPECT_LT(position[path.substr(0, slash)], position[path]);
        }
        if (!entry.directory) continue;
        const std::string parent = slash == std::string::npos ? "" : path.substr(0, slash + 1);
        for (const auto& [other, otherEntry] : Expected()) {
            if (otherEntry.directory || other.compare(0, parent.size(), parent) != 0 ||
                other.find('/', parent.size()) != std::string::npos)
                continue;
            EXPECT_LT(position[path], position[other]) << path << " after file " << other;
        }
    }
}

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

}  // namespace
}  // namespace lc::test
