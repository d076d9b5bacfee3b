#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/Dod.h"
#include "support/LRND.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::ReadText;
using test::WriteText;

const size_t kPage = static_cast<size_t>(::sysconf(_SC_PAGESIZE));

// Looks at the file after every pass: its size and its bytes.
class PassRecorder : public WipePassObserver {
public:
    void AfterPass(const std::string& path, int pass, size_t bufferSize) override {
        std::vector<uint8_t> content;
        try {
            content = ReadFileBytes(path);
        } catch (const std::exception&) {
            // A write-only file (mode 0200 after its wipe began) cannot be looked at.
        }
        passes.push_back({pass, bufferSize, std::move(content)});
    }
    struct Pass {
        int number;
        size_t bufferSize;
        std::vector<uint8_t> content;
    };
    std::vector<Pass> passes;
};

class DodTest : public test::SupportLayerTest {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        Dod seeding;  // as at program start
        Dod::SetPassObserverForTest(&m_recorder);
        m_dir = scratch() / "w";
        fs::create_directory(m_dir);
    }
    void TearDown() override {
        Dod::SetPassObserverForTest(nullptr);
        SupportLayerTest::TearDown();
    }
    PassRecorder m_recorder;
    fs::path m_dir;
};

TEST_F(DodTest, BufferSizeIsWholePagesUpTo64KiB) {
    const std::pair<uint64_t, size_t> cases[] = {
        {0, kPage},
        {1, kPage},
        {kPage, kPage},
        {kPage + 1, 2 * kPage},
        {65536, 65536},
        {65537, 65536},
        {10'000'000'000ull, 65536},
    };
    for (auto [size, expected] : cases) EXPECT_EQ(Dod::WipeBufferSize(size), expected) << size;
}

TEST_F(DodTest, ThreePassesWithTheirPatternsAndSizes) {
    struct Case {
        size_t fileSize;
        size_t bufferSize;
        size_t writesPerPass;
    };
    for (Case c :
         {Case{1, kPage, 1}, Case{kPage, kPage, 1}, Case{65537, 65536, 2}, Case{0, kPage, 1}}) {
        m_recorder.passes.clear();
        const fs::path file = m_dir / "plain.txt";
        WriteText(file, std::string(c.fileSize, 'S'));
        ASSERT_EQ(Dod::WipeFile(file.string()), 0u) << c.fileSize;
        EXPECT_FALSE(fs::exists(file));
        EXPECT_TRUE(fs::is_empty(m_dir)) << "renamed copy left behind";

        ASSERT_EQ(m_recorder.passes.size(), 3u);
        const size_t written = c.bufferSize * c.writesPerPass;
        for (const auto& p : m_recorder.passes) {
            EXPECT_EQ(p.bufferSize, c.bufferSize);
            EXPECT_EQ(p.content.size(), written) << "pass " << p.number;
        }
        const auto& first = m_recorder.passes[0].content;
        const auto& second = m_recorder.passes[1].content;
        const auto& third = m_recorder.passes[2].content;
        const uint8_t r = first[0];
        EXPECT_TRUE(std::all_of(first.begin(), first.end(), [&](uint8_t b) { return b == r; }));
        EXPECT_TRUE(std::all_of(second.begin(), second.end(),
                                [&](uint8_t b) { return b == static_cast<uint8_t>(r ^ 0xFF); }));
        // One random block repeated over every buffer-sized piece.
        std::vector<uint8_t> block(third.begin(), third.begin() + c.bufferSize);
        for (size_t w = 1; w < c.writesPerPass; ++w)
            EXPECT_TRUE(std::equal(block.begin(), block.end(), third.begin() + w * c.bufferSize));
        EXPECT_GT(
            std::count_if(block.begin(), block.end(), [&](uint8_t b) { return b != block[0]; }),
            static_cast<long>(c.bufferSize / 2));
    }
}

TEST_F(DodTest, RenamesThreeTimesAndStopsAtATakenName) {
    struct Case {
        const char* taken;  // a sibling that blocks one step, or null
        const char* expected;
    };
    const Case cases[] = {
        {nullptr, "CCCCCC.CCCCC.CCC"},
        {"AAAAAA.AAAAA.AAA", "report.final.doc"},
        {"BBBBBB.BBBBB.BBB", "AAAAAA.AAAAA.AAA"},
        {"CCCCCC.CCCCC.CCC", "BBBBBB.BBBBB.BBB"},
    };
    for (const auto& c : cases) {
        fs::remove_all(m_dir);
        fs::create_directory(m_dir);
        WriteText(m_dir / "report.final.doc", "content");
        if (c.taken != nullptr) WriteText(m_dir / c.taken, "sibling");
        std::string result = Dod::RenameForDeletion((m_dir / "report.final.doc").string());
        EXPECT_EQ(result, (m_dir / c.expected).string());
        EXPECT_EQ(ReadText(m_dir / c.expected), "content");
        if (c.taken != nullptr) {
            EXPECT_EQ(ReadText(m_dir / c.taken), "sibling");
        }
    }
    // Characters, not bytes; dots stay.
    WriteText(m_dir / "Grüße.t.x", "u");
    EXPECT_EQ(Dod::RenameForDeletion((m_dir / "Grüße.t.x").string()),
              (m_dir / "CCCCC.C.C").string());
    // No separator: nothing to rename.
    EXPECT_EQ(Dod::RenameForDeletion("plain"), "plain");
}

TEST_F(DodTest, FolderPathWithTrailingSlashRenamesTheFolderItself) {
    fs::create_directories(m_dir / "sub");
    WriteText(m_dir / "sub" / "inner.txt", "x");
    std::string result = Dod::RenameForDeletion((m_dir / "sub").string() + "/");
    EXPECT_EQ(result, (m_dir / "CCC").string());
    EXPECT_EQ(ReadText(m_dir / "CCC" / "inner.txt"), "x");
    EXPECT_FALSE(fs::exists(m_dir / "sub"));
}

TEST_F(DodTest, ReadOnlyAndUnreadableFilesAreWiped) {
    for (fs::perms mode : {fs::perms::owner_read, fs::perms::none}) {
        m_recorder.passes.clear();
        const fs::path file = m_dir / "locked.bin";
        WriteText(file, "secret secret");
        fs::permissions(file, mode);
        EXPECT_EQ(Dod::WipeFile(file.string()), 0u);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_EQ(m_recorder.passes.size(), 3u);
        EXPECT_TRUE(fs::is_empty(m_dir));
    }
}

TEST_F(DodTest, NeverWipesThroughALink) {
    const fs::path outside = scratch() / "outside.txt";
    WriteText(outside, "keep me");
    fs::create_symlink(outside, m_dir / "link");
    EXPECT_NE(Dod::WipeFile((m_dir / "link").string()), 0u);
    EXPECT_EQ(ReadText(outside), "keep me");
    EXPECT_EQ(fs::status(outside).permissions() & fs::perms::owner_write, fs::perms::owner_write);
    EXPECT_TRUE(m_recorder.passes.empty());
}

TEST_F(DodTest, MissingFileFailsAndFailedDeleteLeavesTheFileReadOnly) {
    EXPECT_EQ(Dod::WipeFile((m_dir / "missing").string()), 1u);
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    const fs::path locked = scratch() / "locked";
    fs::create_directory(locked);
    WriteText(locked / "f.txt", "data");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Dod::WipeFile((locked / "f.txt").string()), 2u);
    EXPECT_TRUE(fs::exists(locked / "f.txt"));
    EXPECT_EQ(fs::status(locked / "f.txt").permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(locked, fs::perms::owner_all);
}

}  // namespace
}  // namespace lc
