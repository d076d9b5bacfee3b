// The command-line tool on mkvol volumes of the FAT fixture images, in the test's time zone (TZ).

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "FsTestUtil.h"
#include "TestVolume.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "Kennwort ä 1";

std::string MakeFixtureVolume(const ScratchDir& dir, const std::string& image, int algorithm,
                              const std::function<void(std::vector<uint8_t>&)>& patch = {}) {
    std::vector<uint8_t> bytes = ReadFileBytes(Unpacked("fat", image + ".img"));
    if (patch) patch(bytes);
    return MakeVolume(dir, "fixture", bytes,
                      {"--password-a", kPassword, "--algorithm", std::to_string(algorithm)})
        .string();
}

// Settings and runtime folder in `home`; a first argument "bash" runs a shell command instead.
RunResult Cli(const fs::path& home, std::vector<std::string> args,
              const std::string& password = kPassword) {
    if (args.empty() || args[0] != "bash") args.insert(args.begin(), CliPath());
    return Run(args, {},
               {"LCPORTABLE_PASSWORD=" + password, "XDG_CONFIG_HOME=" + home.string(),
                "XDG_RUNTIME_DIR=" + home.string()});
}

// path -> SHA-256 of the source file.
std::map<std::string, std::string> SourceSums(const std::string& image) {
    std::map<std::string, std::string> sums;
    std::ifstream in(FixtureDir() / "fat" / (image + ".sha256"));
    for (std::string line; std::getline(in, line);)
        if (line.size() > 66) sums[line.substr(66)] = line.substr(0, 64);
    return sums;
}

// `ls -R --json` against fls (times as stored, in any zone), `extract` against the source hashes.
TEST(FixtureVolumes, ListingAndExtractionMatchTheImage) {
    for (const auto& [image, algorithm] :
         {std::pair{"fat12", 0}, {"fat16", 1}, {"fat32", 0}, {"fat32", 1}}) {
        SCOPED_TRACE(std::string(image) + (algorithm ? " AES-256" : " AES-128"));
        ScratchDir dir;
        const std::string volume = MakeFixtureVolume(dir, image, algorithm);
        std::map<std::string, std::string> expected;  // path -> "type size mtime"
        std::ifstream fls(FixtureDir() / "fat" / (std::string(image) + ".fls"));
        for (std::string line; std::getline(fls, line);) {
            std::vector<std::string> f;
            std::stringstream split(line);
            for (std::string part; std::getline(split, part, '\t');) f.push_back(part);
            // Live entries only (deleted ones carry *), without the label entry.
            if (f.size() < 7 || f[0].find('*') != std::string::npos ||
                f[1].find("(Volume Label") != std::string::npos ||
                (f[0][0] != 'r' && f[0][0] != 'd'))
                continue;
            std::string mtime = f[2].substr(0, 19);
            mtime[10] = 'T';
            expected[f[1]] = (f[0][0] == 'd' ? "dir 0 " : "file " + f[6] + " ") + mtime;
        }
        ASSERT_GT(expected.size(), 100u);

        RunResult r = Cli(dir.path(), {"ls", "-R", "--json", volume});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::map<std::string, std::string> listed;
        std::set<std::string> seen, parentsWithFiles;
        std::stringstream listing(r.out);
        for (std::string line; std::getline(listing, line);) {
            // The fields in this order; the fixtures' names need no escapes.
            const size_t at = line.rfind(R"(","type":")");
            char kind[8] = {}, mtime[20] = {};
            unsigned long long size = 0;
            unsigned attributes = 0;
            ASSERT_TRUE(line.rfind(R"({"path":")", 0) == 0 && at != std::string::npos) << line;
            ASSERT_EQ(std::sscanf(line.c_str() + at,
                                  R"(","type":"%7[a-z]","size":%llu,"mtime":"%19[-:T0-9]",)"
                                  R"("attributes":%u})",
                                  kind, &size, mtime, &attributes),
                      4)
                << line;
            const std::string path = line.substr(9, at - 9), type = kind,
                              parent = fs::path(path).parent_path().string();
            listed[path] = type + " " + std::to_string(size) + " " + mtime;
            EXPECT_TRUE(type == "file" || attributes == 16) << path;
            // Pre-order with folders first: the parent before, no folder after its siblings' files.
            EXPECT_TRUE(parent.empty() || seen.count(parent)) << path;
            EXPECT_FALSE(type == "dir" && parentsWithFiles.count(parent)) << path;
            if (type == "file") parentsWithFiles.insert(parent);
            seen.insert(path);
        }
        EXPECT_EQ(listed, expected);

        const fs::path out = dir / "out";
        r = Cli(dir.path(), {"extract", volume, "-C", out.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const auto sums = SourceSums(image);
        ASSERT_GT(sums.size(), 130u);
        for (const auto& [path, sum] : sums) {
            ASSERT_TRUE(fs::is_regular_file(out / path)) << path;
            EXPECT_EQ(Sha256Hex(ReadFileBytes(out / path)), sum) << path;
            struct stat st {};
            ASSERT_EQ(::stat((out / path).c_str(), &st), 0) << path;
            std::tm tm{};
            char local[24];
            std::strftime(local, sizeof local, "%Y-%m-%dT%H:%M:%S", localtime_r(&st.st_mtime, &tm));
            EXPECT_EQ(local, expected[path].substr(expected[path].size() - 19)) << path;
        }
        size_t files = 0;
        for (auto& e : fs::recursive_directory_iterator(out)) files += e.is_regular_file();
        EXPECT_EQ(files, sums.size());
    }
}

class CliCommands : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new ScratchDir;
        s_volume = MakeFixtureVolume(*s_dir, "fat12", 0);
    }
    static void TearDownTestSuite() { delete s_dir; }
    RunResult Cli(std::vector<std::string> args) { return test::Cli(m_dir.path(), args); }

    ScratchDir m_dir;
    static inline ScratchDir* s_dir = nullptr;
    static inline std::string s_volume;
};

TEST_F(CliCommands, ListingAndCat) {
    RunResult r = Cli({"ls", "-l", s_volume, "/frag/fragmented.bin"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "-          12365 2021-07-04 13:45:58  frag/fragmented.bin\n");
    for (const char* path : {"😀 smile.txt", "empty.dat", "large.bin"}) {
        r = Cli({"cat", s_volume, path});
        ASSERT_EQ(r.exitCode, 0) << path << r.err;
        EXPECT_EQ(Sha256Hex({r.out.begin(), r.out.end()}), SourceSums("fat12").at(path)) << path;
    }
    EXPECT_EQ(Cli({"cat", s_volume, "frag"}).exitCode, 1);
}

TEST_F(CliCommands, ExtractsNamedItemsOnly) {
    // Named items keep the folders that hold them; with --flat only their own names.
    for (const bool flat : {false, true}) {
        const fs::path out = m_dir / (flat ? "flat" : "named");
        std::vector<std::string> args = {"extract",        s_volume, "many",
                                         "/deep/level01/", "-C",     out.string()};
        if (flat) args.push_back("--flat");
        RunResult r = Cli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_FALSE(fs::exists(out / "first.txt") || fs::exists(out / "deep/first.txt"));
        EXPECT_EQ(fs::is_directory(out / "deep/level01/level02/level03"), !flat);
        EXPECT_EQ(fs::is_directory(out / "level01/level02/level03"), flat);
        size_t many = 0;
        for (auto& e : fs::directory_iterator(out / "many")) many += e.is_regular_file();
        EXPECT_EQ(many, 120u);
    }
}

TEST_F(CliCommands, ExistingFilesAreRefusedSkippedOrOverwritten) {
    const fs::path out = m_dir / "again", file = out / "readme.txt";
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};
    fs::create_directories(out);
    WriteFileBytes(file, mine);
    // Without an option the command fails naming the file; the file stays until --overwrite.
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 1,
         file.string() + "' exists and is not replaced (use --overwrite or --skip-existing)\n"
                         "0 files extracted, 1 failed, 0 skipped\n"},
        {"--skip-existing", 0, "0 files extracted, 0 failed, 1 skipped\n"},
        {"--overwrite", 0, ""}};
    for (const auto& [option, exitCode, err] : cases) {
        std::vector<std::string> args = {"extract", s_volume, "readme.txt", "-C", out.string()};
        if (!option.empty()) args.push_back(option);
        RunResult r = Cli(args);
        EXPECT_EQ(r.exitCode, exitCode) << option;
        EXPECT_TRUE(err.empty() ? r.err.empty() : r.err.find(err) != std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(file) == mine, option != "--overwrite") << option;
    }
    EXPECT_EQ(Sha256Hex(ReadFileBytes(file)), SourceSums("fat12").at("readme.txt"));
}

TEST_F(CliCommands, FailuresWriteNothing) {
    const fs::path out = m_dir / "out";
    const std::string missing = "frag/nothing here";
    // The path the error must name; none: the case of a wrong password.
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"extract", s_volume, "-C", out.string()}, ""},
        {{"ls", "-R", s_volume}, ""},
        {{"cat", s_volume, "readme.txt"}, ""},
        {{"ls", s_volume, missing}, missing},
        {{"cat", s_volume, missing}, missing},
        {{"extract", s_volume, "readme.txt", missing, "-C", out.string()}, missing},
        {{"cat", s_volume, "readme.txt/more"}, "readme.txt/more"},
    };
    int run = 0;
    for (const auto& [args, named] : cases) {
        // A fresh settings store each time: wrong passwords wait out a growing delay.
        const fs::path home = m_dir / ("home" + std::to_string(run++));
        fs::create_directories(home);
        RunResult r = test::Cli(home, args, named.empty() ? "not it" : kPassword);
        EXPECT_EQ(r.exitCode, named.empty() ? 3 : 1) << run;
        EXPECT_NE(r.err.find(named), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << run;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliCommands, OptionsHelpAndVersion) {
    const std::string expected = Cli({"ls", "-l", "-R", s_volume, "frag"}).out;
    ASSERT_NE(expected.find("-           2048 "), std::string::npos) << expected;
    const fs::path passwordFile = m_dir / "password";
    WriteFileBytes(passwordFile, {kPassword, kPassword + std::strlen(kPassword)});
    const std::vector<std::string> forms[] = {
        {"ls", "-lR", s_volume, "frag"},
        {"ls", s_volume, "frag", "-Rl"},
        {"ls", "-R", "--password-file=" + passwordFile.string(), "--", s_volume, "frag", "-l"},
        {"ls", "--password-file", passwordFile.string(), "-l", s_volume, "-R", "frag"},
    };
    for (const auto& args : forms) {
        // The file's password wins over the variable's.
        const bool fromFile = args[1].find("password") != std::string::npos;
        RunResult r = test::Cli(m_dir.path(), args, fromFile ? "not it" : kPassword);
        // After "--", "-l" is a path: nothing by that name.
        const bool dashed = args.back() == "-l";
        EXPECT_EQ(r.exitCode, dashed ? 1 : 0) << r.err;
        if (!dashed) {
            EXPECT_EQ(r.out, expected) << args.back();
        }
    }

    const std::pair<std::vector<std::string>, std::string> usage[] = {
        {{"ls", "-la", s_volume}, "ls: unknown option '-a'"},
        {{"ls", "--json=yes", s_volume}, "'--json' takes no value"},
        {{"extract", s_volume, "-C"}, "'-C' needs a value"},
        {{"extract", s_volume, "--overwrite", "--skip-existing"}, "exclude"},
        {{"cat", s_volume}, "usage: lcportable-cli cat"},
        {{"frobnicate"}, "unknown command 'frobnicate'"},
    };
    for (const auto& [args, error] : usage) {
        RunResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 2) << error;
        EXPECT_NE(r.err.find("lcportable-cli"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(error), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << error;
    }

    RunResult overview = Cli({"--help"});
    EXPECT_EQ(overview.exitCode, 0);
    for (const char* command : {"info", "ls", "cat", "extract", "cleanup"}) {
        EXPECT_NE(overview.out.find(std::string("\n  ") + command + " "), std::string::npos);
        RunResult help = Cli({"help", command}), flag = Cli({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(flag.out, help.out) << command;
        for (const char* part : {"usage: lcportable-cli ", "--help", "LCPORTABLE_PASSWORD",
                                 "JSON Lines", "Exit status: 0 success, 1 failure, 2 usage"})
            EXPECT_NE(help.out.find(part), std::string::npos) << command << ": " << part;
        EXPECT_EQ(help.out.back(), '\n') << command;
    }
    RunResult version = Cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("lcportable-cli 2.", 0), 0u) << version.out;
    EXPECT_EQ(Cli({"-V"}).out, version.out);
}

// Paths in any case (no "ss" for "ß"), either separator, wildcards, stored or --sort=name order.
TEST_F(CliCommands, PathsCaseWildcardsAndOrder) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"FRAG\\FRAGMENTED.BIN"}, "frag/fragmented.bin\n"},
        {{"/Frag/*"}, "frag/before.bin\nfrag/after.bin\nfrag/fragmented.bin\n"},
        {{"?????.txt"}, "first.txt\nnotes.TXT\nUPPER.txt\nPLAIN.TXT\nattrs.txt\n"},
        {{"[pu]*.TXT", "readme.txt", "d*/LEVEL0[0-1]"},
         "UPPER.txt\nPLAIN.TXT\nreadme.txt\ndeep/level01/level02/\n"},
        {{"größenÄNDERUNG ÜBERSICHT.TXT"}, "Größenänderung Übersicht.txt\n"},
        {{"--sort=name"},
         "deep/\nfrag/\nmany/\nattrs.txt\ncluster plus one.bin\nempty.dat\nfirst.txt\n"
         "Größenänderung Übersicht.txt\nlarge.bin\nnotes.TXT\nonecluster.bin\nPLAIN.TXT\n"
         "readme.txt\nUPPER.txt\n日本語のファイル名.txt\n😀 smile.txt\n"},
    };
    for (const auto& [paths, expected] : cases) {
        std::vector<std::string> args = {"ls", s_volume};
        args.insert(args.end(), paths.begin(), paths.end());
        RunResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 0) << paths[0] << r.err;
        EXPECT_EQ(r.out, expected) << paths[0];
    }
    // One miss among several paths: the rest is still listed, the miss named, exit 1.
    RunResult r = Cli({"ls", s_volume, "GRÖSSENÄNDERUNG*", "readme.TXT"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.out, "readme.txt\n");
    EXPECT_NE(r.err.find("GRÖSSENÄNDERUNG*: no such file"), std::string::npos) << r.err;

    // cat: several files, one after the other, as mtools reads them.
    const auto sums = SourceSums("fat12");
    r = Cli({"cat", s_volume, "README.TXT", "Frag\\Fragmented.bin"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::vector<uint8_t> both(r.out.begin(), r.out.end());
    const std::string readme = Cli({"cat", s_volume, "readme.txt"}).out;
    EXPECT_EQ(Sha256Hex({readme.begin(), readme.end()}), sums.at("readme.txt"));
    EXPECT_EQ(Sha256Hex({both.begin() + readme.size(), both.end()}),
              sums.at("frag/fragmented.bin"));
}

// The volume from standard input (a file, not a pipe); a full stdout is a write error.
TEST_F(CliCommands, StandardInputAndWriteErrors) {
    const std::string cli = "'" + CliPath() + "' ";
    RunResult r = Cli({"bash", "-c", cli + "ls - frag < '" + s_volume + "'"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "before.bin\nafter.bin\nfragmented.bin\n");
    r = Cli({"bash", "-c", "cat '" + s_volume + "' | " + cli + "ls -"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("lcportable-cli: -: standard input is not seekable"), std::string::npos)
        << r.err;
    r = Cli({"bash", "-c", cli + "cat '" + s_volume + "' large.bin > /dev/full"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "lcportable-cli: write error: No space left on device (112)\n");
}

// A long name patched to hold '/' and JSON escapes: listed as stored, extracted under a safe name.
TEST(CliHostileNames, ListedAsStoredExtractedSafely) {
    ScratchDir dir;
    // "Größe" begins the first piece; the checksum covers only the short name.
    const std::string vol = MakeFixtureVolume(dir, "fat12", 1, [](std::vector<uint8_t>& image) {
        const std::u16string was = u"Größe", now = u"\"\\\x01/e";
        const auto* from = reinterpret_cast<const uint8_t*>(was.data());
        auto at = std::search(image.begin(), image.end(), from, from + 10);
        ASSERT_NE(at, image.end());
        std::copy_n(reinterpret_cast<const uint8_t*>(now.data()), 10, at);
    });

    RunResult r = Cli(dir.path(), {"ls", "--json", vol});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find(R"({"path":"\"\\\u0001/enänderung Übersicht.txt","type":"file")"),
              std::string::npos)
        << r.out;

    // On a terminal (script(1) gives the tool one) the control character is shown escaped.
    r = Cli(dir.path(),
            {"bash", "-c",
             "script -qec \"'" + CliPath() + "' ls '" + vol + "' '*ÜBERSICHT.TXT'\" /dev/null"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "'\"\\'$'\\001''/enänderung Übersicht.txt'\r\n");

    const fs::path out = dir / "out";
    r = Cli(dir.path(), {"extract", vol, "-C", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(Sha256Hex(ReadFileBytes(out / "\"\\\x01_enänderung Übersicht.txt")),
              SourceSums("fat12").at("Größenänderung Übersicht.txt"));
    EXPECT_FALSE(fs::exists(out / "\"\\\x01"));
}

}  // namespace
}  // namespace lc::test
