#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
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

// Looks at the file after every pass: its buffer size and its bytes (none if unreadable).
class DodTest : public test::SupportLayerTest, public WipePassObserver {
protected:
    void SetUp() override {
        SupportLayerTest::SetUp();
        Dod seeding;  // as at program start
        Dod::SetPassObserverForTest(this);
        fs::create_directory(m_dir);
    }
    void TearDown() override { Dod::SetPassObserverForTest(nullptr); }
    void AfterPass(const std::string& path, int, size_t bufferSize) override {
        std::ifstream in(path, std::ios::binary);
        passes.push_back({bufferSize, {std::istreambuf_iterator<char>(in), {}}});
        struct stat st {};
        allocated.push_back(::stat(path.c_str(), &st) == 0 ? st.st_blocks * 512 : -1);
    }
    std::vector<int64_t> allocated;
    std::vector<std::pair<size_t, std::vector<uint8_t>>> passes;
    const fs::path m_dir = scratch() / "w";
};

TEST_F(DodTest, ThreePassesWithTheirPatternsAndSizes) {
    // file size, buffer size (whole pages, at most 64 KiB), writes per pass
    const size_t cases[][3] = {
        {0, kPage, 1}, {kPage, kPage, 1}, {kPage + 1, 2 * kPage, 1}, {65537, 65536, 2}};
    for (auto [fileSize, bufferSize, writesPerPass] : cases) {
        passes.clear();
        WriteText(m_dir / "plain.txt", std::string(fileSize, 'S'));
        ASSERT_EQ(Dod::WipeFile((m_dir / "plain.txt").string()), status::kSuccess) << fileSize;
        EXPECT_TRUE(fs::is_empty(m_dir)) << "file or renamed copy left behind";
        ASSERT_EQ(passes.size(), 3u);
        for (const auto& [used, content] : passes) {
            EXPECT_EQ(used, bufferSize);
            EXPECT_EQ(content.size(), bufferSize * writesPerPass);
        }
        const auto& first = passes[0].second;
        const auto& second = passes[1].second;
        const auto& third = passes[2].second;
        EXPECT_EQ(std::count(first.begin(), first.end(), first[0]), long(first.size()));
        EXPECT_EQ(std::count(second.begin(), second.end(), uint8_t(first[0] ^ 0xFF)),
                  long(second.size()));
        // One random block repeated over every buffer-sized piece.
        std::vector<uint8_t> block(third.begin(), third.begin() + bufferSize);
        for (size_t w = 1; w < writesPerPass; ++w)
            EXPECT_TRUE(std::equal(block.begin(), block.end(), third.begin() + w * bufferSize));
        EXPECT_LT(std::count(block.begin(), block.end(), block[0]), long(bufferSize / 2));
    }
}

TEST_F(DodTest, RenamesThreeTimesAndStopsAtATakenName) {
    // A sibling that blocks one step (or none), the name the file ends with.
    for (auto [taken, expected] : {std::pair{"", "CCCCCC.CCCCC.CCC"},
                                   {"AAAAAA.AAAAA.AAA", "report.final.doc"},
                                   {"BBBBBB.BBBBB.BBB", "AAAAAA.AAAAA.AAA"},
                                   {"CCCCCC.CCCCC.CCC", "BBBBBB.BBBBB.BBB"}}) {
        fs::remove_all(m_dir);
        fs::create_directory(m_dir);
        WriteText(m_dir / "report.final.doc", "content");
        if (*taken) WriteText(m_dir / taken, "sibling");
        EXPECT_EQ(Dod::RenameForDeletion((m_dir / "report.final.doc").string()),
                  (m_dir / expected).string());
        EXPECT_EQ(ReadText(m_dir / expected), "content");
        EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), {}), *taken ? 2 : 1);
    }
    // Characters, not bytes; dots stay.
    WriteText(m_dir / "Grüße.t.x", "u");
    EXPECT_EQ(Dod::RenameForDeletion((m_dir / "Grüße.t.x").string()),
              (m_dir / "CCCCC.C.C").string());
    // A folder path ending in '/' renames the folder itself.
    fs::create_directory(m_dir / "sub");
    WriteText(m_dir / "sub" / "inner.txt", "x");
    EXPECT_EQ(Dod::RenameForDeletion((m_dir / "sub").string() + "/"), (m_dir / "CCC").string());
    EXPECT_EQ(ReadText(m_dir / "CCC" / "inner.txt"), "x");
}

TEST_F(DodTest, ReadOnlyAndUnreadableFilesAreWipedButNeverThroughALink) {
    EXPECT_EQ(Dod::WipeFile((m_dir / "missing").string()), Status{1});
    for (fs::perms mode : {fs::perms::owner_read, fs::perms::none}) {
        passes.clear();
        WriteText(m_dir / "locked.bin", "secret secret");
        fs::permissions(m_dir / "locked.bin", mode);
        EXPECT_EQ(Dod::WipeFile((m_dir / "locked.bin").string()), status::kSuccess);
        EXPECT_EQ(passes.size(), 3u);
        EXPECT_TRUE(fs::is_empty(m_dir));
    }
    passes.clear();
    WriteText(scratch() / "outside.txt", "keep me");
    fs::create_symlink(scratch() / "outside.txt", m_dir / "link");
    EXPECT_NE(Dod::WipeFile((m_dir / "link").string()), status::kSuccess);
    EXPECT_EQ(ReadText(scratch() / "outside.txt"), "keep me");
    EXPECT_EQ(fs::status(scratch() / "outside.txt").permissions() & fs::perms::owner_write,
              fs::perms::owner_write);
    EXPECT_TRUE(passes.empty());
}

TEST_F(DodTest, HardLinksAreOnlyUnlinkedSparseFilesOverwrittenWhereTheyHoldData) {
    WriteText(scratch() / "outside.txt", "shared data");
    fs::create_hard_link(scratch() / "outside.txt", m_dir / "linked");
    EXPECT_EQ(Dod::WipeFile((m_dir / "linked").string()), status::kSuccess);
    EXPECT_TRUE(fs::is_empty(m_dir));
    EXPECT_EQ(ReadText(scratch() / "outside.txt"), "shared data");
    EXPECT_TRUE(passes.empty());

    // 64 KiB of data at 1 MiB, holes before and after it: 3 MiB in all.
    const std::string sparse = (m_dir / "sparse").string();
    const int fd = ::open(sparse.c_str(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    const std::vector<char> data(65536, 'D');
    ASSERT_EQ(::pwrite(fd, data.data(), data.size(), 1 << 20), ssize_t(data.size()));
    ASSERT_EQ(::ftruncate(fd, 3 << 20), 0);
    ::close(fd);
    EXPECT_EQ(Dod::WipeFile(sparse), status::kSuccess);
    EXPECT_TRUE(fs::is_empty(m_dir));
    ASSERT_EQ(passes.size(), 3u);
    const uint8_t r = passes[0].second.at(1 << 20);
    for (size_t pass = 0; pass < 3; ++pass) {
        const auto& content = passes[pass].second;
        ASSERT_EQ(content.size(), size_t(3 << 20)) << pass;
        EXPECT_LE(allocated[pass], 256 * 1024) << pass;  // the holes stayed holes
        const auto region = content.begin() + (1 << 20);
        EXPECT_FALSE(std::equal(data.begin(), data.end(), region)) << pass;
        if (pass < 2) {
            EXPECT_EQ(std::count(region, region + 65536, uint8_t(pass == 0 ? r : r ^ 0xFF)), 65536);
        }
        EXPECT_EQ(content[0], 0) << pass;
        EXPECT_EQ(content[(2 << 20) + 5], 0) << pass;
    }
}

}  // namespace
}  // namespace lc
