// The command-line tool on mkvol volumes of mkfs.fat/mtools images (and one NTFS), in TZ's zone.

#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
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
        // Live entries only (deleted ones carry *), without the label entry.
        const std::regex entry(
            R"(([rd])/. \d+:\t([^\t]+)\t(\S+) (\S+) \(UTC\)\t.*\t(\d+)\t\d+\t\d+)");
        for (std::string line; std::getline(fls, line);) {
            std::smatch f;
            if (!std::regex_match(line, f, entry) ||
                f[2].str().find("(Volume Label") != std::string::npos)
                continue;
            expected[f[2]] = (f[1] == "d" ? "dir 0 " : "file " + f[5].str() + " ") + f[3].str() +
                             "T" + f[4].str();
        }
        ASSERT_GT(expected.size(), 100u);

        RunResult r = Cli(dir.path(), {"ls", "-R", "--json", volume});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::map<std::string, std::string> listed;
        std::set<std::string> seen, parentsWithFiles;
        std::stringstream listing(r.out);
        // The fields in this order; the fixtures' names need no escapes.
        const std::regex json(R"re(\{"path":"(.*)","type":"(file|dir)","size":(\d+),)re"
                              R"re("mtime":"([-:T0-9]{19})","attributes":(\d+)\})re");
        for (std::string line; std::getline(listing, line);) {
            std::smatch m;
            ASSERT_TRUE(std::regex_match(line, m, json)) << line;
            const std::string path = m[1], type = m[2], parent = fs::path(path).parent_path();
            listed[path] = type + " " + m[3].str() + " " + m[4].str();
            EXPECT_TRUE(type == "file" || m[5] == "16") << path;
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
        EXPECT_EQ(std::count_if(fs::recursive_directory_iterator(out), {},
                                [](auto& e) { return e.is_regular_file(); }),
                  sums.size());
    }
}

constexpr size_t kFolder = SIZE_MAX;
// In directory order. BAD.BIN gets a size its cluster chain does not hold.
constexpr std::pair<const char*, size_t> kTree[] = {
    {"a", kFolder},     {"a/report.txt", 3000}, {"b", kFolder},      {"b/report.txt", 5000},
    {"good1.txt", 100}, {"BAD.BIN", 100},       {"good2.txt", 7000}, {"big.bin", 100 * 512}};

std::vector<uint8_t> Content(const std::string& path) {
    size_t index = 0;
    while (kTree[index].first != path) ++index;
    std::mt19937 random(static_cast<uint32_t>(index));
    std::vector<uint8_t> data(kTree[index].second);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    return data;
}

// Made once: the fat12 fixture; kTree, big.bin in 100 one-cluster holes (progress after each).
const std::string& Fat12() {
    static ScratchDir dir;
    static const std::string volume = MakeFixtureVolume(dir, "fat12", 0);
    return volume;
}
const std::string& Mixed() {
    static ScratchDir dir;
    static const std::string volume = [] {
        std::vector<std::vector<std::string>> mtools;
        for (const auto& [path, size] : kTree) {
            const std::string src = (dir / std::to_string(mtools.size())).string();
            if (std::string(path) == "big.bin") {
                std::vector<std::string> fill = {"mcopy"};
                for (int i = 0; i < 200; ++i) {
                    fill.push_back(src + (i % 2 ? "keep" : "pad") + std::to_string(i));
                    WriteFileBytes(fill.back(), std::vector<uint8_t>(i % 2 ? 1 : 512));
                }
                fill.push_back("::/frag");
                mtools.insert(mtools.end(), {{"mmd", "::/frag"}, fill, {"mdel", "::/frag/*pad*"}});
            }
            if (size == kFolder) {
                mtools.push_back({"mmd", std::string("::/") + path});
                continue;
            }
            WriteFileBytes(src, Content(path));
            mtools.push_back({"mcopy", src, std::string("::/") + path});
        }
        std::vector<uint8_t> image = MakeFatImage(dir, 16, 16384, mtools);
        FatImageEditor editor(image);
        editor.SetEntrySize(editor.FindEntry(0, "BAD     BIN"), 100000);
        return MakeVolume(dir, "mixed", image, {"--password-a", kPassword}).string();
    }();
    return volume;
}

// Files below folder whose names start with a dot (the temporary names of copies in the making).
size_t TemporaryFiles(const fs::path& folder) {
    return std::count_if(fs::recursive_directory_iterator(folder), {},
                         [](auto& e) { return e.path().filename().string().front() == '.'; });
}

// A fresh settings, runtime and output folder for each test.
class CliCommands : public ::testing::Test {
protected:
    RunResult Cli(std::vector<std::string> args) { return test::Cli(m_dir.path(), args); }
    ScratchDir m_dir;
};

// cat: files whole, and several one after the other.
TEST_F(CliCommands, CatWritesFilesWhole) {
    std::string each;
    for (const char* path : {"😀 smile.txt", "empty.dat", "large.bin", "frag/fragmented.bin"}) {
        RunResult r = Cli({"cat", Fat12(), path});
        ASSERT_EQ(r.exitCode, 0) << path << r.err;
        EXPECT_EQ(Sha256Hex({r.out.begin(), r.out.end()}), SourceSums("fat12").at(path)) << path;
        each += r.out;
    }
    RunResult r = Cli({"cat", Fat12(), "😀 SMILE.TXT", "empty.dat", "large.bin", "Frag\\*ed.bin"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.out == each);
}

TEST_F(CliCommands, ExtractsNamedItemsOnly) {
    // Named items keep the folders that hold them; with --flat only their own names.
    for (const bool flat : {false, true}) {
        const fs::path out = m_dir / (flat ? "flat" : "named");
        std::vector<std::string> args = {"extract",        Fat12(), "many",
                                         "/deep/level01/", "-C",    out.string()};
        if (flat) args.push_back("--flat");
        RunResult r = Cli(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_FALSE(fs::exists(out / "first.txt") || fs::exists(out / "deep/first.txt"));
        EXPECT_EQ(fs::is_directory(out / "deep/level01/level02/level03"), !flat);
        EXPECT_EQ(fs::is_directory(out / "level01/level02/level03"), flat);
        EXPECT_EQ(std::distance(fs::directory_iterator(out / "many"), {}), 120);
    }
    // Without folders, two named items must not meet under one name.
    const fs::path flat = m_dir / "clash";
    RunResult r =
        Cli({"extract", Mixed(), "a/report.txt", "b/report.txt", "-C", flat.string(), "--flat"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("'a/report.txt' and 'b/report.txt'"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(flat));
}

// Existing files: refused, skipped or overwritten; planted links replaced, never written through.
TEST_F(CliCommands, ExistingFilesAndPlantedLinks) {
    const fs::path out = m_dir / "again", file = out / "readme.txt";
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};
    fs::create_directories(out);
    WriteFileBytes(file, mine);
    const std::tuple<std::string, int, std::string> cases[] = {
        {"", 1,
         file.string() + "' exists and is not replaced (use --overwrite or --skip-existing)\n"
                         "0 files extracted, 1 failed, 0 skipped\n"},
        {"--skip-existing", 0, "0 files extracted, 0 failed, 1 skipped\n"},
        {"--overwrite", 0, ""}};
    for (const auto& [option, exitCode, err] : cases) {
        std::vector<std::string> args = {"extract", Fat12(), "readme.txt", "-C", out.string()};
        if (!option.empty()) args.push_back(option);
        RunResult r = Cli(args);
        EXPECT_EQ(r.exitCode, exitCode) << option;
        EXPECT_TRUE(err.empty() ? r.err.empty() : r.err.find(err) != std::string::npos) << r.err;
        EXPECT_EQ(ReadFileBytes(file) == mine, option != "--overwrite") << option;
    }

    const fs::path hard = m_dir / "hard.txt", soft = m_dir / "soft.txt";
    WriteFileBytes(hard, {'h', 'a', 'r', 'd'});
    WriteFileBytes(soft, {'s', 'o', 'f', 't'});
    ASSERT_EQ(::chmod(hard.c_str(), 0640), 0);
    ASSERT_EQ(::chmod(soft.c_str(), 0604), 0);
    fs::remove(file);
    fs::create_hard_link(hard, file);
    fs::create_symlink(soft, out / "first.txt");
    RunResult r = Cli({"extract", Fat12(), "readme.txt", "first.txt", "-C", out, "--overwrite"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const auto& [outside, text, mode] :
         {std::tuple{hard, "hard", 0640u}, std::tuple{soft, "soft", 0604u}}) {
        EXPECT_EQ(ReadFileBytes(outside), std::vector<uint8_t>(text, text + 4));
        struct stat st {};
        ASSERT_EQ(::stat(outside.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(st.st_nlink, 1u);
    }
    EXPECT_FALSE(fs::is_symlink(out / "first.txt"));
    for (const char* name : {"readme.txt", "first.txt"})
        EXPECT_EQ(Sha256Hex(ReadFileBytes(out / name)), SourceSums("fat12").at(name)) << name;

    // Items named twice, or inside a folder also named, are written once.
    r = Cli(
        {"extract", Fat12(), "frag", "FRAG/before.bin", "*.txt", "readme.txt", "-C", out / "x"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const char* name : {"frag/before.bin", "readme.txt"})
        EXPECT_EQ(Sha256Hex(ReadFileBytes(out / "x" / name)), SourceSums("fat12").at(name)) << name;
}

// Exit code, all of stdout, part of stderr; 3: a wrong password (fresh home: delays grow).
TEST_F(CliCommands, ExitCodesOutputAndErrors) {
    const std::string v = Fat12(), out = (m_dir / "out").string(), missing = "frag/nothing here";
    const std::string cli = "'" + CliPath() + "' ", vq = "'" + v + "'";
    const std::string wrong = "wrong password (86)\nlcportable-cli: next try in 2 seconds\n";
    struct {
        std::vector<std::string> args;
        int exitCode;
        std::string out, err = {};
    } cases[] = {
        // Paths in any case (no "ss" for "ß"), either separator, wildcards, stored or name order.
        {{"ls", v, "FRAG\\FRAGMENTED.BIN"}, 0, "frag/fragmented.bin\n"},
        {{"ls", v, "/Frag/*"}, 0, "frag/before.bin\nfrag/after.bin\nfrag/fragmented.bin\n"},
        {{"ls", v, "?????.txt"}, 0, "first.txt\nnotes.TXT\nUPPER.txt\nPLAIN.TXT\nattrs.txt\n"},
        {{"ls", v, "[pu]*.TXT"}, 0, "UPPER.txt\nPLAIN.TXT\n"},
        {{"ls", v, "d*/LEVEL0[0-1]"}, 0, "level02/\n"},
        {{"ls", v, "größenÄNDERUNG ÜBERSICHT.TXT"}, 0, "Größenänderung Übersicht.txt\n"},
        {{"ls", v, "--sort=name"},
         0,
         "deep/\nfrag/\nmany/\nattrs.txt\ncluster plus one.bin\nempty.dat\nfirst.txt\n"
         "Größenänderung Übersicht.txt\nlarge.bin\nnotes.TXT\nonecluster.bin\nPLAIN.TXT\n"
         "readme.txt\nUPPER.txt\n日本語のファイル名.txt\n😀 smile.txt\n"},
        {{"ls", "-l", v, "readme.txt"}, 0, "-             10 2021-07-04 13:45:58  readme.txt\n"},
        // One miss among several paths: the rest is still listed, the miss named.
        {{"ls", v, "GRÖSSENÄNDERUNG*", "readme.TXT"}, 1, "readme.txt\n", "ÄNDERUNG*: no such file"},
        // Failures write nothing.
        {{"ls", v, missing}, 1, "", missing},
        {{"cat", v, missing}, 1, "", missing},
        {{"cat", v, "readme.txt/more"}, 1, "", "readme.txt/more"},
        {{"cat", v, "frag"}, 1, ""},
        {{"extract", v, "readme.txt", missing, "-C", out}, 1, "", missing},
        {{"extract", v, "-C", out}, 3, "", wrong},
        {{"ls", "-R", v}, 3, "", wrong},
        {{"cat", v, "readme.txt"}, 3, "", wrong},
        {{"ls", "-la", v}, 2, "", "lcportable-cli ls: unknown option '-a'"},
        {{"ls", "--json=yes", v}, 2, "", "lcportable-cli ls: option '--json' takes no value"},
        {{"extract", v, "-C"}, 2, "", "lcportable-cli extract: option '-C' needs a value"},
        {{"extract", v, "--overwrite", "--skip-existing"}, 2, "", "exclude each other"},
        {{"cat", v}, 2, "", "usage: lcportable-cli cat"},
        {{"frobnicate"}, 2, "", "lcportable-cli: unknown command 'frobnicate'"},
        // The volume from standard input (a file, not a pipe); a full stdout is a write error.
        {{"bash", "-c", cli + "ls - frag/f* < " + vq}, 0, "frag/fragmented.bin\n"},
        {{"bash", "-c", "cat " + vq + " | " + cli + "ls -"}, 1, "", "input is not seekable"},
        {{"bash", "-c", cli + "cat " + vq + " large.bin >/dev/full"}, 1, "", "write error"},
    };
    for (const auto& [args, exitCode, stdOut, stdErr] : cases) {
        ScratchDir home;
        RunResult r = test::Cli(home.path(), args, exitCode == 3 ? "not it" : kPassword);
        EXPECT_EQ(r.exitCode, exitCode) << args.back() << r.err;
        EXPECT_EQ(r.out, stdOut) << args.back();
        EXPECT_NE(r.err.find(stdErr), std::string::npos) << r.err;
    }
    EXPECT_FALSE(fs::exists(out));
}

TEST_F(CliCommands, OptionsHelpAndVersion) {
    const std::string expected = Cli({"ls", "-l", "-R", Fat12(), "frag"}).out;
    ASSERT_NE(expected.find("-           2048 "), std::string::npos) << expected;
    const fs::path passwordFile = m_dir / "password";
    WriteText(passwordFile, kPassword);
    const std::vector<std::string> forms[] = {
        {"ls", "-lR", Fat12(), "frag"},
        {"ls", Fat12(), "frag", "-Rl"},
        {"ls", "-R", "--password-file=" + passwordFile.string(), "--", Fat12(), "frag", "-l"},
        {"ls", "--password-file", passwordFile.string(), "-l", Fat12(), "-R", "frag"},
    };
    for (const auto& args : forms) {
        // The file's password wins over the variable's.
        const bool fromFile = args[1].find("password") != std::string::npos;
        RunResult r = test::Cli(m_dir.path(), args, fromFile ? "not it" : kPassword);
        // After "--", "-l" is a path: nothing by that name.
        const bool dashed = args.back() == "-l";
        EXPECT_EQ(r.exitCode, dashed ? 1 : 0) << r.err;
        EXPECT_TRUE(dashed || r.out == expected) << args.back() << r.out;
    }

    RunResult overview = Cli({"--help"});
    EXPECT_EQ(overview.exitCode, 0);
    for (const char* command : {"info", "ls", "cat", "extract", "cleanup"}) {
        EXPECT_NE(overview.out.find(std::string("\n  ") + command + " "), std::string::npos);
        RunResult help = Cli({"help", command}), flag = Cli({command, "--help"});
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_EQ(flag.out, help.out) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: lcportable-cli ") + command, 0), 0u);
    }
    RunResult version = Cli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("lcportable-cli 2.", 0), 0u) << version.out;
    EXPECT_EQ(Cli({"-V"}).out, version.out);
}

TEST_F(CliCommands, BrokenFileIsNamedTheOthersComeOut) {
    const fs::path out = m_dir / "out";
    RunResult r = Cli({"extract", Mixed(), "-C", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("lcportable-cli: cannot extract 'BAD.BIN': ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("(1392)\n105 files extracted, 1 failed, 0 skipped\n"), std::string::npos)
        << r.err;
    for (const auto& [path, size] : kTree) {
        if (size == kFolder) continue;
        EXPECT_EQ(fs::exists(out / path), std::string(path) != "BAD.BIN") << path;
        EXPECT_TRUE(path == std::string("BAD.BIN") || ReadFileBytes(out / path) == Content(path))
            << path;
    }
    EXPECT_EQ(TemporaryFiles(out), 0u);
}

// cat and extract first wipe copies left by windows that no longer run (here before a miss).
TEST_F(CliCommands, CopiesLeftByWindowsThatNoLongerRunAreWiped) {
    const fs::path left = m_dir / "LCPortable" / "Old Volume" / "sub" / "copy.txt";
    for (const char* command : {"cat", "extract"}) {
        fs::create_directories(left.parent_path());
        WriteFileBytes(left, {'p', 'l', 'a', 'i', 'n'});
        EXPECT_EQ(Cli({command, Fat12(), "frag/nothing here"}).exitCode, 1);
        EXPECT_FALSE(fs::exists(m_dir / "LCPortable")) << command;
    }
}

// NTFS allows 255 UTF-16 units; as UTF-8 such names pass the 255 bytes a Linux name may have.
TEST_F(CliCommands, NamesTooLongAreShortenedAndReported) {
    const fs::path vol =
        MakeVolume(m_dir, "longnames", ReadFileBytes(Unpacked("extract", "longnames-ntfs.img")),
                   {"--password-a", kPassword});
    const fs::path out = m_dir / "out";
    RunResult r = Cli({"extract", vol.string(), "-C", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The core's shortening is checked on its own; here the report naming the written name.
    const std::string name = Utf16ToUtf8(std::u16string(83, u'中')) + "~1.txt";
    EXPECT_EQ(ReadText(out / name), "cjk with extension\n");
    EXPECT_NE(r.err.find("name too long, written as '" + (out / name).string() + "'"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("plain.txt"), std::string::npos) << r.err;
}

// On an unread terminal the progress lines fill its buffer: the copy stops mid-way for the signal.
TEST_F(CliCommands, SignalsLeaveNothingCutShortAndKeepTheGoodCopy) {
    fs::path target = m_dir / "out";
    for (int level = 0; level < 14; ++level) target /= std::string(200, 'd');
    fs::create_directories(target);
    const fs::path file = target / "big.bin";
    // signal, over a good copy (--overwrite)
    for (const auto& [signal, overwrite] :
         {std::pair{SIGINT, false}, std::pair{SIGTERM, true}, std::pair{SIGHUP, true}}) {
        SCOPED_TRACE(signal);
        fs::remove(file);
        std::string command = "exec '" + CliPath() + "' extract '" + Mixed() + "' big.bin -C '" +
                              target.string() + "' --flat";
        if (overwrite) {
            ASSERT_EQ(Cli({"bash", "-c", command}).exitCode, 0);
            command += " --overwrite";
        }
        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("LCPORTABLE_PASSWORD", kPassword, 1);
            ::setenv("XDG_CONFIG_HOME", m_dir.path().c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", m_dir.path().c_str(), 1);
            ::execl("/bin/bash", "bash", "-c", command.c_str(), nullptr);
            ::_exit(127);
        }
        // Wait for the copy in the making (named with a leading dot).
        bool started = false;
        for (int i = 0; i < 3000 && !(started = TemporaryFiles(target) > 0); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_TRUE(started);
        ::kill(pid, signal);
        std::string shown;
        char buffer[65536];
        for (ssize_t n; (n = ::read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, n);
        ::close(terminal);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal) << status;
        EXPECT_NE(shown.find("lcportable-cli: interrupted"), std::string::npos);
        EXPECT_EQ(TemporaryFiles(target), 0u);
        EXPECT_EQ(fs::exists(file), overwrite);
        EXPECT_TRUE(!overwrite || ReadFileBytes(file) == Content("big.bin"));
    }
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
