// The command line's extraction on a FAT16 image made with mkfs.fat and mtools, as a mkvol volume.

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
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

constexpr const char* kPassword = "extract test";
constexpr size_t kFolder = SIZE_MAX;
// In directory order. BAD.BIN gets a size its cluster chain does not hold.
constexpr std::pair<const char*, size_t> kTree[] = {
    {"a", kFolder},     {"a/report.txt", 3000}, {"b", kFolder},      {"b/report.txt", 5000},
    {"good1.txt", 100}, {"BAD.BIN", 100},       {"good2.txt", 7000}, {"big.bin", 100 * 2048}};

std::vector<uint8_t> Content(const std::string& path) {
    size_t index = 0;
    while (kTree[index].first != path) ++index;
    std::mt19937 random(static_cast<uint32_t>(index));
    std::vector<uint8_t> data(kTree[index].second);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    return data;
}

// Files below folder whose names start with a dot (the temporary names of copies in the making).
size_t TemporaryFiles(const fs::path& folder) {
    size_t found = 0;
    for (auto& e : fs::recursive_directory_iterator(folder))
        found += e.path().filename().string().front() == '.';
    return found;
}

class CliExtract : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new ScratchDir;
        const std::string image = (*s_dir / "plain.img").string(), src = (*s_dir / "src").string();
        auto run = [](const std::vector<std::string>& argv) {
            RunResult r = test::Run(argv, {}, {"MTOOLS_SKIP_CHECK=1"});
            ASSERT_EQ(r.exitCode, 0) << argv[0] << ": " << r.err;
        };
        run({"mkfs.fat", "-C", "-F", "16", "-s", "4", image, "16384"});
        for (const auto& [path, size] : kTree) {
            if (std::string(path) == "big.bin") {
                // big.bin goes into 100 one-cluster holes: progress after every cluster.
                std::vector<std::string> argv = {"mcopy", "-i", image};
                for (int i = 0; i < 100; ++i) {
                    const std::string pad = src + "-pad" + std::to_string(i),
                                      keep = src + "-keep" + std::to_string(i);
                    WriteFileBytes(pad, std::vector<uint8_t>(2048, 'p'));
                    WriteFileBytes(keep, {'k'});
                    argv.insert(argv.end(), {pad, keep});
                }
                run({"mmd", "-i", image, "::/frag"});
                argv.push_back("::/frag");
                run(argv);
                run({"mdel", "-i", image, "::/frag/*pad*"});
            }
            if (size == kFolder) {
                run({"mmd", "-i", image, std::string("::/") + path});
                continue;
            }
            WriteFileBytes(src, Content(path));
            run({"mcopy", "-i", image, src, std::string("::/") + path});
        }
        std::vector<uint8_t> bytes = ReadFileBytes(image);
        const char entry[] = "BAD     BIN";
        auto at = std::search(bytes.begin(), bytes.end(), entry, entry + 11);
        ASSERT_NE(at, bytes.end());
        at[28] = 0xA0;  // 100,000 bytes where one cluster holds 2,048
        at[29] = 0x86;
        at[30] = 0x01;
        s_volume =
            MakeVolume(*s_dir, "test", bytes, {"--password-a", kPassword, "--algorithm", "1"})
                .string();
    }
    static void TearDownTestSuite() { delete s_dir; }

    RunResult Cli(std::vector<std::string> args) { return RunCli(m_dir.path(), args, kPassword); }

    ScratchDir m_dir;
    static inline ScratchDir* s_dir = nullptr;
    static inline std::string s_volume;
};

TEST_F(CliExtract, FlatNamesMustNotMeet) {
    const fs::path flat = m_dir / "flat";
    RunResult r =
        Cli({"extract", s_volume, "a/report.txt", "b/report.txt", "-C", flat.string(), "--flat"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("'a/report.txt' and 'b/report.txt'"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(flat));
}

TEST_F(CliExtract, BrokenFileIsNamedTheOthersComeOut) {
    const fs::path out = m_dir / "out";
    RunResult r = Cli({"extract", s_volume, "-C", out.string()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("lcportable-cli: cannot extract 'BAD.BIN': ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("(1392)\n105 files extracted, 1 failed, 0 skipped\n"), std::string::npos)
        << r.err;
    for (const auto& [path, size] : kTree) {
        if (size == kFolder) continue;
        EXPECT_EQ(fs::exists(out / path), std::string(path) != "BAD.BIN") << path;
        if (std::string(path) != "BAD.BIN") {
            EXPECT_EQ(ReadFileBytes(out / path), Content(path));
        }
    }
    EXPECT_EQ(TemporaryFiles(out), 0u);
}

TEST_F(CliExtract, PlantedLinksAreReplacedNeverWrittenThrough) {
    const fs::path out = m_dir / "out", hard = m_dir / "hard.txt", soft = m_dir / "soft.txt";
    fs::create_directories(out / "a");
    fs::create_directories(out / "b");
    WriteFileBytes(hard, {'h', 'a', 'r', 'd'});
    WriteFileBytes(soft, {'s', 'o', 'f', 't'});
    ASSERT_EQ(::chmod(hard.c_str(), 0640), 0);
    ASSERT_EQ(::chmod(soft.c_str(), 0604), 0);
    fs::create_hard_link(hard, out / "a/report.txt");
    fs::create_symlink(soft, out / "b/report.txt");
    RunResult r = Cli({"extract", s_volume, "a", "b", "-C", out.string(), "--overwrite"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    for (const auto& [outside, text, mode] :
         {std::tuple{hard, "hard", 0640u}, std::tuple{soft, "soft", 0604u}}) {
        EXPECT_EQ(ReadFileBytes(outside), std::vector<uint8_t>(text, text + 4));
        struct stat st {};
        ASSERT_EQ(::stat(outside.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, mode);
        EXPECT_EQ(st.st_nlink, 1u);
    }
    EXPECT_FALSE(fs::is_symlink(out / "b/report.txt"));
    EXPECT_EQ(ReadFileBytes(out / "a/report.txt"), Content("a/report.txt"));
    EXPECT_EQ(ReadFileBytes(out / "b/report.txt"), Content("b/report.txt"));
}

TEST_F(CliExtract, CopiesLeftByWindowsThatNoLongerRunAreWiped) {
    const fs::path left = m_dir / "LCPortable" / "Old Volume" / "sub" / "copy.txt";
    const std::vector<std::string> commands[] = {
        {"cat", s_volume, "good1.txt"},
        {"extract", s_volume, "good1.txt", "-C", (m_dir / "out").string()}};
    for (const auto& args : commands) {
        fs::create_directories(left.parent_path());
        WriteFileBytes(left, {'p', 'l', 'a', 'i', 'n'});
        RunResult r = Cli(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_FALSE(fs::exists(m_dir / "LCPortable")) << args[0];
    }
}

// NTFS allows 255 UTF-16 units; as UTF-8 such names pass the 255 bytes a Linux name may have.
TEST_F(CliExtract, NamesTooLongAreShortenedAndReported) {
    const fs::path vol =
        MakeVolume(m_dir, "longnames", ReadFileBytes(Unpacked("extract", "longnames-ntfs.img")),
                   {"--password-a", kPassword});
    const fs::path out = m_dir / "out";
    RunResult r = Cli({"extract", vol.string(), "-C", out.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    // The core's shortening is checked on its own; here the report naming the written name.
    std::string name;
    for (int i = 0; i < 83; ++i) name += "中";
    name += "~1.txt";
    EXPECT_EQ(ReadText(out / name), "cjk with extension\n");
    EXPECT_NE(r.err.find("name too long, written as '" + (out / name).string() + "'"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("plain.txt"), std::string::npos) << r.err;
}

// On an unread terminal the progress lines fill its buffer: the copy stops mid-way for the signal.
TEST_F(CliExtract, SignalsLeaveNothingCutShortAndKeepTheGoodCopy) {
    fs::path target = m_dir / "out";
    for (int level = 0; level < 14; ++level) target /= std::string(200, 'd');
    fs::create_directories(target);
    const fs::path file = target / "big.bin";
    // signal, over a good copy (--overwrite)
    for (const auto& [signal, overwrite] :
         {std::pair{SIGINT, false}, std::pair{SIGTERM, true}, std::pair{SIGHUP, true}}) {
        SCOPED_TRACE(signal);
        fs::remove(file);
        if (overwrite) {
            RunResult r = Cli({"extract", s_volume, "big.bin", "-C", target.string(), "--flat"});
            ASSERT_EQ(r.exitCode, 0) << r.err;
        }
        std::vector<std::string> args = {CliPath(), "extract",       s_volume, "big.bin",
                                         "-C",      target.string(), "--flat"};
        if (overwrite) args.push_back("--overwrite");
        std::vector<char*> argv;
        for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);

        int terminal = -1;
        const pid_t pid = ::forkpty(&terminal, nullptr, nullptr, nullptr);
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::setenv("LCPORTABLE_PASSWORD", kPassword, 1);
            ::setenv("XDG_CONFIG_HOME", m_dir.path().c_str(), 1);
            ::setenv("XDG_RUNTIME_DIR", m_dir.path().c_str(), 1);
            ::execv(argv[0], argv.data());
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
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
        EXPECT_NE(shown.find("lcportable-cli: interrupted"), std::string::npos);
        EXPECT_EQ(TemporaryFiles(target), 0u);
        EXPECT_EQ(fs::exists(file), overwrite);
        if (overwrite) {
            EXPECT_EQ(ReadFileBytes(file), Content("big.bin"));
        }
    }
}

}  // namespace
}  // namespace lc::test
