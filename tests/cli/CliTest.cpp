// The command-line tool's wrong-password delays (recorded across runs) and its cleanup command.
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "TestVolume.h"
#include "platform/SettingsStore.h"
#include "volume/LCPwd.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class CliTest : public test::SupportLayerTest {
protected:
    test::RunResult Cli(const std::vector<std::string>& args, const std::string& password = {}) {
        return test::RunCli(run(), args, password, {"LC_ALL=C", "ERRLFILE"});
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
        return test::MakeVolume(m_files, name, test::ReadFileBytes(img),
                                {"--password-a", "right", "--name", volumeName})
            .string();
    }
    test::ScratchDir m_files;
};

TEST_F(CliTest, WrongPasswordCountsDownOnStderr) {
    const std::string vol = FatVolume("v", "Delayed");
    const auto start = Clock::now();
    auto r = Cli({"info", vol}, "wrong");
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_NE(r.err.find("wrong password (86)\nlcportable-cli: next try in 2 seconds\n"),
              std::string::npos)
        << r.err;
    EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.95);
    const auto record = Record(u"Delayed");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->count, 1u);
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
        ::execl(test::CliPath().c_str(), "lcportable-cli", "ls", vol.c_str(), nullptr);
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
    };
    readUntil("Password: ");
    ASSERT_NE(seen.find("Password: "), std::string::npos) << seen;
    auto start = Clock::now();
    ASSERT_EQ(::write(master, "wrong\n", 6), 6);
    readUntil("Password: ");
    EXPECT_GE(std::chrono::duration<double>(Clock::now() - start).count(), 1.95);
    EXPECT_NE(seen.find("next try in 2 seconds"), std::string::npos) << seen;
    ASSERT_NE(seen.find("Password: "), std::string::npos) << seen;
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
    test::WriteText(root / "%2E." / "docs" / "a.txt", "plain");
    fs::create_directories(root / "Other");
    test::WriteText(run() / "keep.txt", "keep");

    auto r = Cli({"cleanup", hostile});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "Delete temporary files for volume ..\n");
    EXPECT_FALSE(fs::exists(root / "%2E."));
    EXPECT_TRUE(fs::exists(root / "Other"));
    EXPECT_TRUE(fs::exists(run() / "keep.txt"));

    test::WriteText(scratch() / "not.vol", std::string(100, 'x'));
    EXPECT_EQ(Cli({"cleanup", (scratch() / "not.vol").string()}).exitCode, 1);
    EXPECT_EQ(Cli({"cleanup"}).exitCode, 2);
}

}  // namespace
}  // namespace lc
