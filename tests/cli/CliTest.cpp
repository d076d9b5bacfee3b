// The command-line tool as a program: info, the password prompt, cleanup, damaged folders.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <tuple>

#include <gtest/gtest.h>

#include "Bounded.h"
#include "FsTestUtil.h"
#include "SupportLayerEnv.h"
#include "TestVolume.h"
#include "platform/SettingsStore.h"
#include "resources/ErrorText.h"
#include "volume/LCPwd.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class CliTest : public SupportLayerTest {
protected:
    RunResult Cli(const std::vector<std::string>& args, const std::string& password = {}) {
        return RunCli(run(), args, password, {"LC_ALL=C", "ERRLFILE"});
    }
    std::optional<LCPwd::Attempt> Record(std::u16string_view name) {
        SettingsStore store;
        uint32_t type = 0;
        std::vector<uint8_t> data;
        EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), status::kSuccess);
        if (store.GetValue("Software\\Kelmora\\LCPortable", name, type, data) != status::kSuccess)
            return {};
        return LCPwd::Decode(data);
    }
    // A small FAT image made by mkfs.fat, as a volume.
    std::string FatVolume(const std::string& name, const std::string& volumeName) {
        const fs::path img = scratch() / (name + ".raw");
        EXPECT_EQ(test::Run({"mkfs.fat", "-C", img.string(), "256"}).exitCode, 0);
        return MakeVolume(m_files, name, ReadFileBytes(img),
                          {"--password-a", "right", "--name", volumeName})
            .string();
    }
    ScratchDir m_files;
};

TEST_F(CliTest, TerminalPromptAsksAgainAfterTheDelay) {
    const std::string vol = FatVolume("t", "Typed");
    int master = -1;
    pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("XDG_RUNTIME_DIR", run().c_str(), 1);
        ::setenv("LC_ALL", "C", 1);
        ::unsetenv("LCPORTABLE_PASSWORD");
        ::execl(CliPath().c_str(), "lcportable-cli", "ls", vol.c_str(), nullptr);
        ::_exit(127);
    }
    // Reads from the pty until the text has appeared, the output ends or the time is up.
    std::string seen;
    auto readUntil = [&](const std::string& text) {
        seen.clear();
        for (auto end = Clock::now() + std::chrono::seconds(15);
             seen.find(text) == std::string::npos && Clock::now() < end;) {
            pollfd p{master, POLLIN, 0};
            char buf[512];
            ssize_t n = ::poll(&p, 1, 100) > 0 ? ::read(master, buf, sizeof buf) : 0;
            if (n < 0) break;
            seen.append(buf, static_cast<size_t>(n));
        }
        return seen.find(text) != std::string::npos;
    };
    ASSERT_TRUE(readUntil("Password: ")) << seen;
    auto start = Clock::now();
    ASSERT_EQ(::write(master, "wrong\n", 6), 6);
    ASSERT_TRUE(readUntil("Password: ")) << seen;
    EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.95);
    EXPECT_NE(seen.find("next try in 2 seconds"), std::string::npos) << seen;
    EXPECT_EQ(Record(u"Typed").value_or(LCPwd::Attempt{}).count, 1u);
    ASSERT_EQ(::write(master, "right\n", 6), 6);
    readUntil("\x04never");  // to the end of the output
    int wstatus = 0;
    ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
    ::close(master);
    EXPECT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) << seen;
    EXPECT_FALSE(Record(u"Typed"));  // the right password cleared it
}

TEST_F(CliTest, CleanupRemovesOnlyThatVolumesFolder) {
    const std::string hostile = FatVolume("h", "..");
    const fs::path root = run() / "LCPortable";
    fs::create_directories(root / "%2E." / "docs");
    WriteText(root / "%2E." / "docs" / "a.txt", "plain");
    fs::create_directories(root / "Other");
    WriteText(run() / "keep.txt", "keep");

    auto r = Cli({"cleanup", hostile});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Delete temporary files for volume ..\n");
    EXPECT_FALSE(fs::exists(root / "%2E."));
    EXPECT_TRUE(fs::exists(root / "Other"));
    EXPECT_TRUE(fs::exists(run() / "keep.txt"));

    WriteText(scratch() / "not.vol", std::string(100, 'x'));
    EXPECT_EQ(Cli({"cleanup", (scratch() / "not.vol").string()}).exitCode, 1);
    EXPECT_EQ(Cli({"cleanup"}).exitCode, 2);
}

// English texts, and no password from the caller's environment unless a case gives one.
RunResult Info(const std::vector<std::string>& args, std::vector<std::string> env = {}) {
    std::vector<std::string> argv{CliPath(), "info"};
    argv.insert(argv.end(), args.begin(), args.end());
    env.insert(env.begin(), {"LC_ALL=C", "LANG=C", "LC_MESSAGES=C", "LCPORTABLE_PASSWORD"});
    return Run(argv, {}, env);
}

TEST(InfoCommand, FactsPasswordsAndFailures) {
    ScratchDir dir;
    const std::string volume = MakeVolume(dir, "v", RandomImage(4, 11),
                                          Words("--password-a Grüße --name Bücher --algorithm 0"))
                                   .string();
    const std::string right = (dir / "right.txt").string(), wrong = (dir / "wrong.txt").string();
    // First line only, CRLF removed; the other file has no line end at all.
    WriteFileBytes(right, {'G', 'r', 0xC3, 0xBC, 0xC3, 0x9F, 'e', '\r', '\n', 'x', '\n'});
    WriteFileBytes(wrong, {'G', 'r', 'u', 'e', 's', 's', 'e'});
    const auto ring =
        MakeVolume(dir, "ring", RandomImage(1, 12), Words("--format-level 210 --keyring-b 1"));
    const auto none = MakeVolume(dir, "none", RandomImage(1, 13), {});
    const std::string sample = FixtureDir().string() + "/../../examples/sample.vol";
    const auto newer =
        MakeVolume(dir, "newer", RandomImage(1, 14), Words("--password-a x --version 231"));
    const std::string missing = (dir / "missing.vol").string(), cutVol = (dir / "cut.vol").string(),
                      plain = (dir / "plain.bin").string(), noFile = (dir / "nofile").string();
    fs::copy_file(volume, cutVol);
    fs::resize_file(cutVol, 4096);
    WriteFileBytes(plain, std::vector<uint8_t>(80000, 'x'));
    const std::string unset = "LCPORTABLE_PASSWORD", correct = "password: correct\n";
    const std::string pwRight = "LCPORTABLE_PASSWORD=Grüße", pwWrong = "LCPORTABLE_PASSWORD=Grusse";
    // arguments, environment, exit code, text on stdout for 0 and 3, else on stderr
    const std::tuple<std::vector<std::string>, std::string, int, std::string> cases[] = {
        {{volume}, unset, 0, "version: 230\nformat level: 0\nalgorithm: AES-128\nvolume name: Bü"},
        {{volume}, unset, 0, "r\nkey block A: present\nkey block B: absent\nkey ring A: none\n"},
        {{volume}, pwRight, 0, correct},
        {{volume}, pwWrong, 3, "password: wrong\n"},
        {{"--password-file", right, volume}, "LCPORTABLE_PASSWORD=nope", 0, correct},
        {{"--password-file=" + wrong, volume}, unset, 3, "password: wrong\n"},
        {{sample}, "LCPORTABLE_PASSWORD=sample", 0, "AES-256\nvolume name: Sample\n"},
        {{missing}, unset, 1, "missing.vol: No such file or directory (212)\n"},
        {{plain}, unset, 1, "plain.bin: not a volume file (4026531908)\n"},
        {{cutVol}, unset, 1, "cut.vol: volume file too short (4026531908)\n"},
        {{newer.string()}, unset, 1, "newer.vol: volume format 231 is newer than this reader (2"},
        {{dir.path().string()}, unset, 1, ": Is a directory (212)\n"},
        {{"--json", volume},
         pwWrong,
         3,
         R"(,"version":230,"format_level":0,"algorithm":"AES-128","volume_name":"Bücher",)"
         R"("key_block_a":"present","key_block_b":"absent","key_ring_a":"none",)"
         R"("key_ring_b":"none","password":"wrong"})"},
        {{"--password-file", volume, ring.string()}, unset, 1, "protected by a key ring are not"},
        {{"--password-file", volume, none.string()}, unset, 1, "no password is defined for this"},
        {{"--password-file", noFile, volume}, unset, 1, "(2)\n"},
    };
    for (const auto& [args, env, exitCode, text] : cases) {
        auto r = Info(args, {env});
        EXPECT_EQ(r.exitCode, exitCode) << text << r.err;
        EXPECT_NE((exitCode == 0 || exitCode == 3 ? r.out : r.err).find(text), std::string::npos)
            << text << r.out << r.err;
    }
    EXPECT_NE(Info({sample}, {"LCPORTABLE_PASSWORD=sample"}).out.find(correct), std::string::npos);
    EXPECT_EQ(Info({volume}).out.find("password:"), std::string::npos);  // none given, none shown
}

TEST(FormatOpenError, TextsOfTheOpenSequence) {
    const std::tuple<Status, const char*, const char*> cases[] = {
        {Status{2}, "The system cannot find the file specified. (2)",
         "Das System kann die angegebene Datei nicht finden. (2)"},
        {status::kErrVersionTooNew, "Unknown error code f0000047 (71) (4026531911)",
         "Unbekannte Fehler f0000047 (71) (4026531911)"},
    };
    for (const auto& [code, english, german] : cases) {
        EXPECT_EQ(FormatOpenError(code, Language::English), english) << code;
        EXPECT_EQ(FormatOpenError(code, Language::German), german) << code;
    }
}

// Damaged folders among healthy ones: each named once, the rest comes out whole, exit code 1.
TEST(DamagedFolderCli, ReportsThemAndGivesUpEverythingElse) {
    RunBounded([&] {
        ScratchDir dir;
        // "frag" points past the volume; the second cluster of "many" is marked free.
        std::vector<uint8_t> image = ReadFileBytes(Unpacked("fat", "fat16.img"));
        FatImageEditor editor(image);
        const uint64_t frag = editor.FindEntry(0, "FRAG       "),
                       many = editor.FindEntry(0, "MANY       ");
        ASSERT_TRUE(frag != 0 && many != 0);
        editor.SetEntryCluster(frag, 0xFFF0);
        const uint32_t manyFirst = editor.EntryCluster(many);
        ASSERT_GE(editor.GetFat(manyFirst), 2u);
        editor.SetFat(manyFirst, 0);
        const std::string vol = MakeVolume(dir, "damaged", image, {"--password-a", "pw"}).string();

        const std::string why = "': The file or directory is corrupted and unreadable. (1392)\n";
        const fs::path out = dir / "out";
        auto cli = [&](std::vector<std::string> args) {
            return RunCli(dir.path(), args, "pw", {"LANG=C", "LC_ALL=C"});
        };
        RunResult ls = cli({"ls", "-R", vol});
        for (const RunResult& r : {ls, cli({"extract", vol, "-C", out.string()})}) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, "lcportable-cli: damaged folder 'frag" + why +
                                 "lcportable-cli: damaged folder 'many" + why);
        }
        EXPECT_TRUE(ls.out.find("deep/") != std::string::npos) << ls.out;

        // The rest comes out whole; "many" keeps its first cluster's entries, "frag" is empty.
        std::istringstream sums(ReadText(FixtureDir() / "fat" / "fat16.sha256"));
        size_t healthy = 0, inMany = 0;
        for (std::string line; std::getline(sums, line);) {
            const std::string path = line.substr(66), sum = line.substr(0, 64);
            const bool damaged = path.rfind("many/", 0) == 0;
            if (path.rfind("frag/", 0) == 0 || (damaged && !fs::exists(out / path))) continue;
            (damaged ? inMany : healthy)++;
            ASSERT_TRUE(fs::is_regular_file(out / path)) << path;
            EXPECT_EQ(Sha256Hex(ReadFileBytes(out / path)), sum) << path;
        }
        EXPECT_GT(healthy, 10u);
        EXPECT_GT(inMany, 0u);
        EXPECT_LT(inMany, 120u);
        EXPECT_TRUE(fs::is_directory(out / "frag"));
        EXPECT_TRUE(fs::is_empty(out / "frag"));

        // A healthy file by name: written whole, still exit 1 for the damage seen on the way.
        RunResult cat = cli({"cat", vol, "first.txt"});
        EXPECT_EQ(cat.exitCode, 1);
        EXPECT_EQ(cat.out.size(), 100u);
    });
}

}  // namespace
}  // namespace lc::test
