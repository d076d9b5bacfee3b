// The command-line tool's wrong-password delays (recorded across runs) and its cleanup command.
#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "../volume/TestVolume.h"
#include "SupportLayerEnv.h"
#include "platform/SettingsStore.h"
#include "volume/LCPwd.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

class CliTest : public test::SupportLayerTest {
protected:
    test::RunResult Cli(const std::vector<std::string>& args, const std::string& password = {}) {
        std::vector<std::string> argv{test::CliPath()};
        argv.insert(argv.end(), args.begin(), args.end());
        return test::Run(argv, {},
                         {"XDG_RUNTIME_DIR=" + run().string(), "LC_ALL=C", "ERRLFILE",
                          "LCPORTABLE_PASSWORD" + (password.empty() ? "" : "=" + password)});
    }
    std::optional<LCPwd::Attempt> Record(std::u16string_view name) {
        SettingsStore store;
        uint32_t type = 0;
        std::vector<uint8_t> data;
        EXPECT_EQ(SettingsStore::Open(SettingsStore::Scope::Volatile, store), 0u);
        if (store.GetValue("Software\\Kelmora\\LCPortable", name, type, data) != 0) return {};
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

TEST_F(CliTest, WrongPasswordDelaysGrowAcrossRuns) {
    const std::string vol = FatVolume("v", "Delayed");
    const struct {
        const char* password;
        int exitCode;
        unsigned delay;  // 0: none
        uint32_t count;  // of the record afterwards; 0: no record
    } steps[] = {{"wrong", 3, 2, 1}, {"wrong", 3, 5, 2}, {"right", 0, 0, 0}, {"wrong", 3, 2, 1}};
    for (const auto& s : steps) {
        auto start = Clock::now();
        auto r = Cli({"info", vol}, s.password);
        auto seconds = std::chrono::duration<double>(Clock::now() - start).count();
        EXPECT_EQ(r.exitCode, s.exitCode) << r.err;
        std::string expected = s.delay ? "Wrong password. Next attempt is delayed...\n" : "";
        for (unsigned left = s.delay; left > 0; --left)
            expected += std::to_string(left) + (left > 1 ? " " : " \n");
        EXPECT_EQ(r.err.find("delayed") != std::string::npos, s.delay != 0) << r.err;
        EXPECT_NE(r.err.find(expected), std::string::npos) << r.err;
        EXPECT_GE(seconds, s.delay - 0.05);
        EXPECT_LT(seconds, s.delay + 3.0);
        auto record = Record(u"Delayed");
        EXPECT_EQ(record ? record->count : 0u, s.count);
        EXPECT_EQ(record ? record->pending : 0u, 0u);
    }
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

    // A planted link as the root: refused, nothing behind it touched.
    fs::remove_all(root);
    fs::create_directories(scratch() / "victim" / "%2E.");
    fs::create_directory_symlink(scratch() / "victim", root);
    r = Cli({"cleanup", hostile});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("not safe"), std::string::npos) << r.err;
    EXPECT_TRUE(fs::exists(scratch() / "victim" / "%2E."));

    test::WriteText(scratch() / "not.vol", std::string(100, 'x'));
    EXPECT_EQ(Cli({"cleanup", (scratch() / "not.vol").string()}).exitCode, 1);
    EXPECT_EQ(Cli({"cleanup"}).exitCode, 2);
}

}  // namespace
}  // namespace lc
