// The FAT readers against real images made by mkfs.fat and mtools. The command-line tests compare
// the same images with fls and the source checksums; here: the tree's shape and the reads.
#include <gtest/gtest.h>

#include "FsTestUtil.h"
#include "fs/FAT.h"

namespace lc::test {
namespace {

struct FixtureCase {
    const char* name;
    const char* readerClass;
    uint32_t clusterBytes;
};

class FatFixtureTest : public ::testing::TestWithParam<FixtureCase> {
protected:
    void SetUp() override {
        m_volume.SetImage(ReadFileBytes(Unpacked("fat", std::string(GetParam().name) + ".img")));
        ASSERT_EQ(m_volume.Open(), status::kSuccess);
        ASSERT_NE(m_volume.Root(), nullptr);
    }
    FAT& Reader() { return dynamic_cast<FAT&>(*m_volume.FileSystem()); }
    const DirInfo& Record(const std::string& path) {
        const DirInfo* r = FindPath(m_volume.Root(), path);
        if (!r) throw std::runtime_error("not in the tree: " + path);
        return *r;
    }

    PlainImageVolume m_volume;
    ScratchDir m_scratch;
};

TEST_P(FatFixtureTest, ReaderLabelAttributesDepthAndLargeDirectory) {
    EXPECT_STREQ(m_volume.FileSystem()->RuntimeClassName(), GetParam().readerClass);
    EXPECT_EQ(Reader().BytesPerCluster(), GetParam().clusterBytes);
    // The boot sector says BOOTLABEL; the root's label entry, written after two files, wins and
    // the files before it stay.
    EXPECT_EQ(m_volume.Root()->name, u"FIXLABEL");
    EXPECT_NE(FindPath(m_volume.Root(), "first.txt"), nullptr);
    EXPECT_EQ(Record("attrs.txt").attributes, 0x20u | 0x01 | 0x02 | 0x04);

    std::string path = "deep";
    for (int i = 1; i <= 40; ++i) path += (i < 10 ? "/level0" : "/level") + std::to_string(i);
    EXPECT_EQ(Record(path).depth, 41);

    // Long names take three entries each: 120 of them fill several clusters.
    EXPECT_EQ(FileCount(&Record("many")), 120u);
    EXPECT_GT(120u * 3 * 32, Reader().BytesPerCluster());
}

TEST_P(FatFixtureTest, ContiguousClustersAreReadInOneCall) {
    Status result = 1;
    CopyOut(Reader(), Record("large.bin"), result, m_scratch);  // loads the FAT
    ASSERT_EQ(result, status::kSuccess);
    EXPECT_EQ(Record("onecluster.bin").size, GetParam().clusterBytes);
    struct {
        const char* path;
        uint64_t reads;
    } cases[] = {{"empty.dat", 0},
                 {"onecluster.bin", 1},
                 {"cluster plus one.bin", 1},
                 {"large.bin", 1},
                 {"frag/fragmented.bin", 2}};
    for (const auto& c : cases) {
        std::vector<std::pair<uint64_t, uint64_t>> reports;
        m_volume.SetProgressCallback(
            [&](uint64_t total, uint64_t remaining) { reports.emplace_back(total, remaining); });
        uint64_t before = m_volume.ReadCalls();
        uint64_t size = Record(c.path).size;
        EXPECT_EQ(CopyOut(Reader(), Record(c.path), result, m_scratch).size(), size) << c.path;
        EXPECT_EQ(result, status::kSuccess) << c.path;
        EXPECT_EQ(m_volume.ReadCalls() - before, c.reads) << c.path;
        if (size == 0) continue;
        ASSERT_GE(reports.size(), 2u) << c.path;
        EXPECT_EQ(reports.front(), std::make_pair(size, size)) << c.path;
        EXPECT_EQ(reports.back(), std::make_pair(size, uint64_t{0})) << c.path;
    }
}

INSTANTIATE_TEST_SUITE_P(Images, FatFixtureTest,
                         ::testing::Values(FixtureCase{"fat12", "Fat12", 1024},
                                           FixtureCase{"fat16", "Fat16", 4096},
                                           FixtureCase{"fat32", "Fat32", 512}),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace lc::test
