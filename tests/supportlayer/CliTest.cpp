// The command-line tool's wrong-password delays (recorded across runs) and its cleanup command.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "../volume/TestVolume.h"
#include "SupportLayerEnv.h"
#include "TestSupport.h"
#include "platform/SettingsStore.h"
#include "volume/LCPwd.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class CliTest : public test::SupportLayerTest {
protected:
    std::vector<std::string> Env(std::vector<std::string> extra = {}) {
        std::vector<std::string> env = {"XDG_RUNTIME_DIR=" + run().string(),
                                        "TMPDIR=" + (scratch() / "tmp").string(),
                                        "LC_ALL=C",
                                        "LANG=C",
                                        "LC_MESSAGES=C",
                                        "LCPORTABLE_PASSWORD",
                                        "ERRLFILE"};
        env.insert(env.end(), extra.begin(), extra.end());
        return env;
    }
    test::RunResult Cli(const std::vector<std::string>& args,
                        const std::vector<std::string>& extraEnv = {}) {
        std::vector<std::string> argv{test::CliPath()};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::Run(argv, {}, Env(extraEnv));
    }
    std::optional<LCPwd::Attempt> Record(std::u16string_view name) {
        SettingsStore store;
        EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), 0u);
        uint32_t type = 0;
        std::vector<uint8_t> data;
        if (store.GetValue("Software\\Kelmora\\LCPortable", name, type, data) != 0)
            return std::nullopt;
        return LCPwd::Decode(data);
    }
    // A small FAT image made by mkfs.fat, as a volume.
    std::string FatVolume(const std::string& name, const std::string& volumeName) {
        const fs::path img = scratch() / (name + ".raw");
        auto r = test::Run({"mkfs.fat", "-C", img.string(), "256"});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        return test::MakeVolume(m_files, name, test::ReadFileBytes(img),
                                {"--password-a", "right", "--name", volumeName})
            .string();
    }
    test::ScratchDir m_files;
};

TEST_F(CliTest, WrongPasswordDelaysGrowAcrossRuns) {
    const std::string vol = FatVolume("v", "Delayed");
    struct Step {
        const char* password;
        int exitCode;
        unsigned delay;  // 0: none
        uint32_t count;  // of the record afterwards; 0: no record
    };
    const Step steps[] = {
        {"wrong", 3, 2, 1}, {"wrong", 3, 5, 2}, {"right", 0, 0, 0}, {"wrong", 3, 2, 1}};
    for (const auto& s : steps) {
        auto start = Clock::now();
        auto r = Cli({"info", vol}, {std::string("LCPORTABLE_PASSWORD=") + s.password});
        auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(r.exitCode, s.exitCode) << r.err;
        if (s.delay != 0) {
            EXPECT_TRUE(Contains(r.err, "Wrong password. Next attempt is delayed...\n")) << r.err;
            std::string countdown;
            for (unsigned left = s.delay; left > 0; --left) countdown += std::to_string(left) + " ";
            EXPECT_TRUE(Contains(r.err, countdown + "\n")) << r.err;
            EXPECT_GE(seconds, s.delay - 0.05);
            EXPECT_LT(seconds, s.delay + 3.0);
        } else {
            EXPECT_FALSE(Contains(r.err, "delayed")) << r.err;
        }
        auto record = Record(u"Delayed");
        if (s.count == 0) {
            EXPECT_FALSE(record);
        } else {
            ASSERT_TRUE(record);
            EXPECT_EQ(record->count, s.count);
            EXPECT_EQ(record->pending, 0u);
        }
    }
}

// Reads from the pty until the text has appeared (or the time is up); returns everything read.
std::string ReadUntil(int fd, std::string& seen, const std::string& text, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Contains(seen, text) && Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0) continue;
        char buf[512];
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        seen.append(buf, static_cast<size_t>(n));
    }
    return seen;
}

TEST_F(CliTest, TerminalPromptAsksAgainAfterTheDelay) {
    const std::string vol = FatVolume("t", "Typed");
    int master = -1;
    pid_t child = ::forkpty(&master, nullptr, nullptr, nullptr);
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("XDG_RUNTIME_DIR", run().c_str(), 1);
        ::setenv("LC_ALL", "C", 1);
        ::unsetenv("LCPORTABLE_PASSWORD");
        ::execl(test::CliPath().c_str(), "lcportable-cli", "ls", vol.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::string seen;
    ReadUntil(master, seen, "Password: ", 10000);
    ASSERT_TRUE(Contains(seen, "Password: ")) << seen;
    auto start = Clock::now();
    ASSERT_EQ(::write(master, "wrong\n", 6), 6);
    seen.clear();
    ReadUntil(master, seen, "Password: ", 15000);
    double waited = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_TRUE(Contains(seen, "Wrong password. Next attempt is delayed...")) << seen;
    ASSERT_TRUE(Contains(seen, "Password: ")) << seen;
    EXPECT_GE(waited, 1.95);
    ASSERT_EQ(::write(master, "right\n", 6), 6);
    ReadUntil(master, seen, "\x04never", 15000);  // to the end of the output
    int wstatus = 0;
    ASSERT_EQ(::waitpid(child, &wstatus, 0), child);
    ::close(master);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 0) << seen;
    EXPECT_FALSE(Record(u"Typed"));  // the right password cleared it
}

TEST_F(CliTest, CleanupRemovesOnlyThatVolumesFolder) {
    const std::string hostile = FatVolume("h", "..");
    const std::string other = FatVolume("o", "Other");
    const fs::path root = run() / "LCPortable";
    fs::create_directories(root / "%2E." / "docs");
    test::WriteText(root / "%2E." / "docs" / "a.txt", "plain");
    fs::create_directories(root / "Other");
    test::WriteText(root / "Other" / "b.txt", "plain");
    test::WriteText(run() / "keep.txt", "keep");

    auto r = Cli({"cleanup", hostile});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Delete temporary files for volume ..\n");
    EXPECT_FALSE(fs::exists(root / "%2E."));
    EXPECT_TRUE(fs::exists(root / "Other" / "b.txt"));
    EXPECT_TRUE(fs::exists(run() / "keep.txt"));

    r = Cli({"cleanup", other});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(fs::exists(root));
    EXPECT_TRUE(fs::exists(run() / "keep.txt"));
    r = Cli({"cleanup", other});  // nothing left: still success
    EXPECT_EQ(r.exitCode, 0) << r.err;

    // A planted link as the root: refused, nothing behind it touched.
    fs::create_directories(scratch() / "victim" / "Other");
    test::WriteText(scratch() / "victim" / "Other" / "c.txt", "victim");
    fs::create_directory_symlink(scratch() / "victim", root);
    r = Cli({"cleanup", other});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(Contains(r.err, "not safe")) << r.err;
    EXPECT_TRUE(fs::exists(scratch() / "victim" / "Other" / "c.txt"));

    test::WriteText(scratch() / "not.vol", std::string(100, 'x'));
    EXPECT_EQ(Cli({"cleanup", (scratch() / "not.vol").string()}).exitCode, 1);
    EXPECT_EQ(Cli({"cleanup"}).exitCode, 2);
}

}  // namespace
}  // namespace lc
