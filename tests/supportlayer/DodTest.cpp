#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <exception>
#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/Dod.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

const size_t kPage = static_cast<size_t>(::sysconf(_SC_PAGESIZE));

// Looks at the file after every pass: its buffer size and its bytes.
class PassRecorder : public WipePassObserver {
public:
    void AfterPass(const std::string& path, int, size_t bufferSize) override {
        std::vector<uint8_t> content;
        try {
            content = test::ReadFileBytes(path);
        } catch (const std::exception&) {
            // A write-only file (mode 0200 after its wipe began) cannot be looked at.
        }
        passes.push_back({bufferSize, std::move(content)});
    }
    std::vector<std::pair<size_t, std::vector<uint8_t>>> passes;
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

TEST_F(DodTest, ThreePassesWithTheirPatternsAndSizes) {
    for (auto [size, expected] : {std::pair<uint64_t, size_t>{kPage + 1, 2 * kPage},
                                  {65537, 65536},
                                  {10'000'000'000ull, 65536}})
        EXPECT_EQ(Dod::WipeBufferSize(size), expected) << size;
    struct Case {
        size_t fileSize, bufferSize, writesPerPass;
    };
    for (Case c :
         {Case{0, kPage, 1}, Case{1, kPage, 1}, Case{kPage, kPage, 1}, Case{65537, 65536, 2}}) {
        m_recorder.passes.clear();
        const fs::path file = m_dir / "plain.txt";
        WriteText(file, std::string(c.fileSize, 'S'));
        ASSERT_EQ(Dod::WipeFile(file.string()), 0u) << c.fileSize;
        EXPECT_TRUE(fs::is_empty(m_dir)) << "file or renamed copy left behind";
        ASSERT_EQ(m_recorder.passes.size(), 3u);
        for (const auto& [bufferSize, content] : m_recorder.passes) {
            EXPECT_EQ(bufferSize, c.bufferSize);
            EXPECT_EQ(content.size(), c.bufferSize * c.writesPerPass);
        }
        const auto& first = m_recorder.passes[0].second;
        const auto& second = m_recorder.passes[1].second;
        const auto& third = m_recorder.passes[2].second;
        EXPECT_EQ(std::count(first.begin(), first.end(), first[0]), long(first.size()));
        EXPECT_EQ(std::count(second.begin(), second.end(), uint8_t(first[0] ^ 0xFF)),
                  long(second.size()));
        // One random block repeated over every buffer-sized piece.
        std::vector<uint8_t> block(third.begin(), third.begin() + c.bufferSize);
        for (size_t w = 1; w < c.writesPerPass; ++w)
            EXPECT_TRUE(std::equal(block.begin(), block.end(), third.begin() + w * c.bufferSize));
        EXPECT_LT(std::count(block.begin(), block.end(), block[0]), long(c.bufferSize / 2));
    }
}

TEST_F(DodTest, RenamesThreeTimesAndStopsAtATakenName) {
    const std::pair<const char*, const char*> cases[] = {
        // A sibling that blocks one step (or none), the name the file ends with.
        {nullptr, "CCCCCC.CCCCC.CCC"},
        {"AAAAAA.AAAAA.AAA", "report.final.doc"},
        {"BBBBBB.BBBBB.BBB", "AAAAAA.AAAAA.AAA"},
        {"CCCCCC.CCCCC.CCC", "BBBBBB.BBBBB.BBB"},
    };
    for (auto [taken, expected] : cases) {
        fs::remove_all(m_dir);
        fs::create_directory(m_dir);
        WriteText(m_dir / "report.final.doc", "content");
        if (taken != nullptr) WriteText(m_dir / taken, "sibling");
        EXPECT_EQ(Dod::RenameForDeletion((m_dir / "report.final.doc").string()),
                  (m_dir / expected).string());
        EXPECT_EQ(ReadText(m_dir / expected), "content");
        if (taken != nullptr) {
            EXPECT_EQ(ReadText(m_dir / taken), "sibling");
        }
    }
    // Characters, not bytes; dots stay.
    WriteText(m_dir / "Grüße.t.x", "u");
    EXPECT_EQ(Dod::RenameForDeletion((m_dir / "Grüße.t.x").string()),
              (m_dir / "CCCCC.C.C").string());
    EXPECT_EQ(Dod::RenameForDeletion("plain"), "plain");  // no folder part
    // A folder path ending in '/' renames the folder itself.
    fs::create_directories(m_dir / "sub");
    WriteText(m_dir / "sub" / "inner.txt", "x");
    EXPECT_EQ(Dod::RenameForDeletion((m_dir / "sub").string() + "/"), (m_dir / "CCC").string());
    EXPECT_EQ(ReadText(m_dir / "CCC" / "inner.txt"), "x");
}

TEST_F(DodTest, ReadOnlyAndUnreadableFilesAreWipedButNeverThroughALink) {
    for (fs::perms mode : {fs::perms::owner_read, fs::perms::none}) {
        m_recorder.passes.clear();
        const fs::path file = m_dir / "locked.bin";
        WriteText(file, "secret secret");
        fs::permissions(file, mode);
        EXPECT_EQ(Dod::WipeFile(file.string()), 0u);
        EXPECT_EQ(m_recorder.passes.size(), 3u);
        EXPECT_TRUE(fs::is_empty(m_dir));
    }
    m_recorder.passes.clear();
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
    WriteText(m_dir / "f.txt", "data");
    fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_EQ(Dod::WipeFile((m_dir / "f.txt").string()), 2u);
    EXPECT_EQ(fs::status(m_dir / "f.txt").permissions() & fs::perms::owner_write, fs::perms::none);
    fs::permissions(m_dir, fs::perms::owner_all);
}

}  // namespace
}  // namespace lc
