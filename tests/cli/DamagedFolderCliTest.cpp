// Damaged folders among healthy ones: each named once, the rest comes out whole, exit code 1.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Bounded.h"
#include "FsTestUtil.h"
#include "TestVolume.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;

constexpr const char* kPassword = "pw damaged";

RunResult Cli(const ScratchDir& home, std::vector<std::string> args) {
    return RunCli(home.path(), args, kPassword, {"LANG=C", "LC_ALL=C"});
}

TEST(DamagedFolderCli, ReportsThemAndGivesUpEverythingElse) {
    RunBounded([&] {
        ScratchDir dir;
        // "frag" points past the volume; the second cluster of "many" is marked free.
        std::vector<uint8_t> image = ReadFileBytes(Unpacked("fat", "fat16.img"));
        FatImageEditor editor(image);
        const uint64_t frag = editor.FindEntry(0, "FRAG       ");
        const uint64_t many = editor.FindEntry(0, "MANY       ");
        ASSERT_NE(frag, 0u);
        ASSERT_NE(many, 0u);
        editor.SetEntryCluster(frag, 0xFFF0);
        const uint32_t manyFirst = editor.EntryCluster(many);
        ASSERT_GE(editor.GetFat(manyFirst), 2u);
        editor.SetFat(manyFirst, 0);
        const std::string vol =
            MakeVolume(dir, "damaged", image, {"--password-a", kPassword}).string();

        const std::string why = "': The file or directory is corrupted and unreadable. (1392)\n";
        const fs::path out = dir / "out";
        RunResult ls = Cli(dir, {"ls", "-R", vol});
        for (const RunResult& r : {ls, Cli(dir, {"extract", vol, "-C", out.string()})}) {
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, "lcportable-cli: damaged folder 'frag" + why +
                                 "lcportable-cli: damaged folder 'many" + why);
        }

        // The rest comes out whole; "many" keeps its first cluster's entries, "frag" is empty.
        std::istringstream sums(ReadText(FixtureDir() / "fat" / "fat16.sha256"));
        size_t healthy = 0, inMany = 0;
        for (std::string line; std::getline(sums, line);) {
            const std::string path = line.substr(66), sum = line.substr(0, 64);
            if (path.rfind("frag/", 0) == 0) continue;
            if (path.rfind("many/", 0) == 0) {
                if (fs::exists(out / path)) {
                    ++inMany;
                    EXPECT_EQ(Sha256Hex(ReadFileBytes(out / path)), sum) << path;
                }
                continue;
            }
            ++healthy;
            ASSERT_TRUE(fs::is_regular_file(out / path)) << path;
            EXPECT_EQ(Sha256Hex(ReadFileBytes(out / path)), sum) << path;
        }
        EXPECT_GT(healthy, 10u);
        EXPECT_GT(inMany, 0u);
        EXPECT_LT(inMany, 120u);
        EXPECT_TRUE(fs::is_directory(out / "frag"));
        EXPECT_TRUE(fs::is_empty(out / "frag"));
        EXPECT_TRUE(ls.out.find("deep/") != std::string::npos) << ls.out;

        // A healthy file by name: written whole, still exit 1 for the damage seen on the way.
        RunResult cat = Cli(dir, {"cat", vol, "first.txt"});
        EXPECT_EQ(cat.exitCode, 1);
        EXPECT_EQ(cat.out.size(), 100u);
    });
}

}  // namespace
}  // namespace lc::test
