// The FAT readers on mkfs.fat/mtools images, then on damaged and hostile ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <tuple>

#include "Bounded.h"
#include "FsTestUtil.h"
#include "fs/FAT.h"

namespace lc::test {
namespace {

// The listing, the data and the progress reports are compared by the command-line tests.
class FatFixtureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FatFixtureTest, LabelAttributesAndContiguousReads) {
    PlainImageVolume volume;
    volume.SetImage(ReadFileBytes(Unpacked("fat", std::string(GetParam()) + ".img")));
    ASSERT_EQ(volume.Open(), status::kSuccess);
    // The label entry, written after two files, wins over the boot sector's.
    EXPECT_EQ(volume.Root()->name, u"FIXLABEL");
    EXPECT_EQ(FindPath(volume.Root(), "attrs.txt")->attributes, 0x20u | 0x01 | 0x02 | 0x04);

    // One read per contiguous piece, once the FAT is loaded (by the first copy).
    ScratchDir scratch;
    for (const auto& [path, reads] : {std::pair{"large.bin", -1},
                                      {"empty.dat", 0},
                                      {"onecluster.bin", 1},
                                      {"cluster plus one.bin", 1},
                                      {"large.bin", 1},
                                      {"frag/fragmented.bin", 2}}) {
        const DirInfo* file = FindPath(volume.Root(), path);
        ASSERT_NE(file, nullptr) << path;
        const uint64_t before = volume.ReadCalls();
        Status result{1};
        EXPECT_EQ(CopyOut(*volume.FileSystem(), *file, result, scratch).size(), file->size) << path;
        EXPECT_EQ(result, status::kSuccess) << path;
        const uint64_t calls = volume.ReadCalls() - before;
        EXPECT_TRUE(reads < 0 || calls == uint64_t(reads)) << path << ": " << calls << " reads";
    }
}

INSTANTIATE_TEST_SUITE_P(Images, FatFixtureTest, ::testing::Values("fat12", "fat16", "fat32"),
                         [](const auto& p) { return std::string(p.param); });

// names.img and the 1,024- and 4,096-byte-sector images as mtools' mdir and mtype read them.
class FatAsMtoolsReadsTest : public ::testing::TestWithParam<const char*> {};

TEST_P(FatAsMtoolsReadsTest, NamesAndData) {
    const std::string name = GetParam();
    PlainImageVolume volume;
    volume.SetImage(ReadFileBytes(Unpacked("fat", name + ".img")));
    ASSERT_EQ(volume.Open(), status::kSuccess);
    ASSERT_TRUE(volume.Tree().DamagedFolders().empty());

    std::vector<std::string> expected, listed;
    std::istringstream mdir(ReadText(FixtureDir() / "fat" / (name + ".mdir")));
    for (std::string line; std::getline(mdir, line);) expected.push_back(line);
    std::map<std::string, std::string> sums;  // path -> SHA-256 of what mtype reads
    std::istringstream sumLines(ReadText(FixtureDir() / "fat" / (name + ".sums")));
    for (std::string line; std::getline(sumLines, line);)
        sums[line.substr(66)] = line.substr(0, 64);

    std::vector<const DirInfo*> records;
    CollectRecords(volume.Root(), records);
    ScratchDir scratch;
    for (const DirInfo* r : records) {
        listed.push_back(PathOf(r) + (r->IsDirectory() ? "/" : ""));
        if (r->IsDirectory()) continue;
        Status result{1};
        auto data = CopyOut(*volume.FileSystem(), *r, result, scratch);
        EXPECT_EQ(result, status::kSuccess) << PathOf(r);
        EXPECT_EQ(Sha256Hex(data), sums[PathOf(r)]) << PathOf(r);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
}

INSTANTIATE_TEST_SUITE_P(Images, FatAsMtoolsReadsTest,
                         ::testing::Values("names", "s1024-fat12", "s1024-fat16", "s1024-fat32",
                                           "s4096-fat12", "s4096-fat16", "s4096-fat32"));

constexpr int64_t kKeep = -1;
constexpr Status kOk = status::kSuccess, kBad = status::kFileCorrupt;
constexpr uint32_t kNext = 0x80000000u;  // kNext | n: the file's first cluster + n

class FatHostileTest : public ::testing::Test {
protected:
    // Made once, outside the bounded tests: LOOP.BIN in 3 clusters, SUB (INNER, 20 files) in 2.
    static void SetUpTestSuite() {
        ScratchDir scratch;
        WriteFileBytes(scratch / "three", std::vector<uint8_t>(3 * 512, 'x'));
        std::vector<std::string> copy = {"mcopy"};
        for (int i = 0; i < 20; ++i) {
            auto path = scratch / ("F" + std::to_string(i) + ".TXT");
            WriteFileBytes(path, std::vector<uint8_t>(10, 'f'));
            copy.push_back(path.string());
        }
        copy.push_back("::/SUB");
        for (auto [bits, kib] : {std::pair{12, 1024}, {16, 4096}, {32, 36 * 1024}}) {
            s_images[bits] = MakeFatImage(scratch, bits, kib,
                                          {{"mcopy", (scratch / "three").string(), "::/LOOP.BIN"},
                                           {"mmd", "::/SUB", "::/SUB/INNER", "::/SUB/INNER/BACK"},
                                           copy});
        }
        s_blank = MakeFatImage(scratch, 16, 4096, {});
    }
    static void TearDownTestSuite() { s_images.clear(), s_blank.clear(); }
    static inline std::map<int, std::vector<uint8_t>> s_images;
    static inline std::vector<uint8_t> s_blank;

    // Mounts, reads the tree and, when a path is given, copies that file.
    Status OpenAndCopy(const std::vector<uint8_t>& image, const std::string& path,
                       std::vector<uint8_t>* data = nullptr) {
        m_volume.SetImage(image);
        Status result = m_volume.Open();
        if (result == status::kSuccess && !path.empty()) {
            const DirInfo* file = FindPath(m_volume.Root(), path);
            if (!file) return Status{0xDEADBEEF};
            auto bytes = CopyOut(*m_volume.FileSystem(), *file, result, m_scratch);
            if (data) *data = bytes;
        }
        return result;
    }

    // The folders marked damaged, in walk order; "!" after one marked with another code than 1392.
    std::string Damaged() const {
        std::string text;
        for (const DirInfo* d : m_volume.Tree().DamagedFolders()) {
            text += (text.empty() ? "" : " ") + PathOf(d);
            if (d->damage != status::kFileCorrupt) text += "!";
        }
        return text;
    }

    ScratchDir m_scratch;
    PlainImageVolume m_volume;
};

TEST_F(FatHostileTest, BrokenFileChains) {
    RunBounded([&] {
        auto pristine = s_images[16];
        FatImageEditor probe(pristine);
        const uint64_t entry = probe.FindEntry(0, "LOOP    BIN");
        ASSERT_NE(entry, 0u);
        const uint32_t first = probe.EntryCluster(entry);
        ASSERT_EQ(probe.GetFat(first), first + 1);
        ASSERT_EQ(probe.GetFat(first + 2), 0xFFFFu);

        struct Case {
            const char* what;
            std::vector<std::pair<uint32_t, uint32_t>> fat;  // (first + n, value)
            int64_t cluster, size;
            Status expected;
        } cases[] = {
            {"intact", {}, kKeep, kKeep, kOk},
            {"cyclic chain, size beyond it", {{2, kNext | 0}}, kKeep, 100 * 512, kBad},
            {"cycle inside the size", {{1, kNext | 0}}, kKeep, kKeep, kBad},
            {"size larger than the chain", {}, kKeep, 5 * 512, kBad},
            {"next cluster past the end", {{0, 0xFFF0}}, kKeep, kKeep, kBad},
            {"first cluster past the end", {}, 0xFFF0, kKeep, kBad},
            {"free entry in the chain", {{1, 0}}, kKeep, kKeep, kBad},
            {"bad-cluster mark in the chain", {{1, 0xFFF7}}, kKeep, kKeep, kBad},
            {"size with first cluster 0", {}, 0, kKeep, kBad},
            {"size with first cluster 1", {}, 1, kKeep, kBad},
            {"no size, no cluster", {}, 0, 0, kOk},
            {"garbage after the last needed cluster", {{2, 0}}, kKeep, kKeep, kOk},
            {"back, no loop", {{0, kNext | 2}, {2, kNext | 1}, {1, 0xFFFF}}, kKeep, kKeep, kOk},
        };
        for (const Case& c : cases) {
            auto image = pristine;
            FatImageEditor editor(image);
            for (auto [at, value] : c.fat)
                editor.SetFat(first + at, value & kNext ? first + (value & 0xFF) : value);
            if (c.cluster != kKeep) editor.SetEntryCluster(entry, static_cast<uint32_t>(c.cluster));
            if (c.size != kKeep) editor.SetEntrySize(entry, static_cast<uint32_t>(c.size));
            std::vector<uint8_t> data;
            EXPECT_EQ(OpenAndCopy(image, "LOOP.BIN", &data), c.expected) << c.what;
            // Nothing is written before a fault is found.
            bool whole = c.expected == kOk && c.size != 0;
            EXPECT_EQ(data, std::vector<uint8_t>(whole ? 1536 : 0, 'x')) << c.what;
        }
    });
}

TEST_F(FatHostileTest, DirectoriesThatLoop) {
    RunBounded([&] {
        auto pristine = s_images[16];
        FatImageEditor probe(pristine);
        const uint32_t sub = probe.EntryCluster(probe.FindEntry(0, "SUB        "));
        const uint32_t inner = probe.EntryCluster(probe.FindEntry(sub, "INNER      "));
        const uint64_t back = probe.FindEntry(inner, "BACK       "),
                       f0 = probe.FindEntry(sub, "F0      TXT"),
                       loop = probe.FindEntry(0, "LOOP    BIN");
        const uint32_t subSecond = probe.GetFat(sub);
        ASSERT_TRUE(back && f0 && loop);
        ASSERT_EQ(probe.GetFat(subSecond), 0xFFFFu) << "SUB should span two clusters";

        // An entry's cluster or a FAT entry set; what was read before the damage stays.
        const std::tuple<const char*, uint64_t, uint32_t, uint32_t, std::string> cases[] = {
            {"contains its grandparent", back, 0, sub, "SUB/INNER/BACK"},
            {"contains its parent", back, 0, inner, "SUB/INNER/BACK"},
            {"cluster past the end", back, 0, 0xFFF0, "SUB/INNER/BACK"},
            {"cluster 0", back, 0, 0, "SUB/INNER/BACK"},
            // The first cluster is full (no end entry in it): its FAT entry is followed.
            {"first cluster leads to itself", 0, sub, sub, "SUB"},
            {"chain continues into a free cluster", 0, sub, 0, "SUB"},
            {"second cluster leads back to the first, after its end entry", 0, subSecond, sub, ""},
            // LOOP.BIN becomes a second name for INNER: a directory shared by two parents.
            {"two entries for one directory", loop, 0, inner, "SUB/INNER"},
        };
        for (const auto& [what, entry, fatOf, value, damaged] : cases) {
            auto image = pristine;
            FatImageEditor editor(image);
            if (entry == loop) image[loop + 11] = 0x10;
            if (entry) editor.SetEntryCluster(entry, value);
            if (fatOf) editor.SetFat(fatOf, value);
            SCOPED_TRACE(what);
            EXPECT_EQ(OpenAndCopy(image, ""), status::kSuccess);
            EXPECT_EQ(Damaged(), damaged);
            for (const char* path : {"LOOP.BIN", "SUB/INNER", "SUB/F12.TXT"})
                EXPECT_NE(FindPath(m_volume.Root(), path), nullptr) << path;
        }

        // A root that cannot be read ends the open.
        auto image = pristine;
        image.resize(FatImageEditor(image).ClusterOffset(2) - 512);
        EXPECT_EQ(OpenAndCopy(image, ""), status::kHandleEof);

        // A label entry outside the root is ignored.
        image = pristine;
        image[f0 + 11] = 0x08;
        ASSERT_EQ(OpenAndCopy(image, ""), status::kSuccess);
        EXPECT_EQ(m_volume.Root()->name, u"NO NAME");
        EXPECT_EQ(FindPath(m_volume.Root(), "SUB/F0.TXT"), nullptr);
        EXPECT_NE(FindPath(m_volume.Root(), "SUB/F1.TXT"), nullptr);
    });
}

TEST_F(FatHostileTest, NestingDepthIsBounded) {
    RunBounded([&] {
        // Root entry D leads to cluster 2, its entry D to 3...; one level too deep is marked.
        for (auto [levels, damaged] : {std::pair{256u, false}, {257u, true}, {3000u, true}}) {
            auto image = s_blank;
            FatImageEditor editor(image);
            auto writeDir = [&](uint64_t at, uint32_t cluster) {
                std::memcpy(&image[at], "D          \x10", 12);
                editor.SetEntryCluster(at, cluster);
            };
            // The root region starts right before cluster 2's data: 512 entries of 32 bytes.
            writeDir(editor.ClusterOffset(2) - 512 * 32, 2);
            for (uint32_t k = 0; k < levels; ++k) {
                editor.SetFat(2 + k, 0xFFFF);
                std::fill_n(image.begin() + static_cast<ptrdiff_t>(editor.ClusterOffset(2 + k)),
                            512, 0);
                if (k + 1 < levels) writeDir(editor.ClusterOffset(2 + k), 3 + k);
            }
            EXPECT_EQ(OpenAndCopy(image, ""), status::kSuccess) << levels;
            std::vector<const DirInfo*> records;
            CollectRecords(m_volume.Root(), records);
            EXPECT_EQ(records.size(), std::min(levels, 257u)) << levels;
            const auto& marked = m_volume.Tree().DamagedFolders();
            ASSERT_EQ(marked.size(), damaged ? 1u : 0u) << levels;
            EXPECT_TRUE(!damaged || marked[0]->depth == 257) << levels;
        }
    });
}

// A full first directory cluster's FAT entry: end-of-chain ends the folder, other values past the
// volume damage it; on FAT32 the top four bits are not part of the entry.
TEST_F(FatHostileTest, EndOfChainRanges) {
    RunBounded([&] {
        constexpr uint32_t kTopBitsOnNext = 1;  // 0xF0000000 | the real next cluster
        const std::tuple<int, uint32_t, bool> cases[] = {
            {12, 0xFF8, false},      {12, 0xFFE, false},          {12, 0xFF7, true},
            {16, 0xFFF8, false},     {16, 0xFFFE, false},         {16, 0xFFF7, true},
            {32, 0x0FFFFFF8, false}, {32, 0xFFFFFFF8, false},     {32, 0x0FFFFFF7, true},
            {32, 0x0FFFFFF0, true},  {32, kTopBitsOnNext, false},
        };
        for (const auto& [bits, value, damaged] : cases) {
            auto image = s_images[bits];
            FatImageEditor editor(image);
            uint32_t dir = editor.EntryCluster(editor.FindEntry(0, "SUB        "));
            uint32_t next = editor.GetFat(dir) & 0x0FFFFFFF;
            ASSERT_GE(next, 2u) << "SUB should span two clusters";
            editor.SetFat(dir, value == kTopBitsOnNext ? 0xF0000000 | next : value);
            SCOPED_TRACE("FAT" + std::to_string(bits) + " " + std::to_string(value));
            EXPECT_EQ(OpenAndCopy(image, ""), status::kSuccess);
            EXPECT_EQ(Damaged(), damaged ? "SUB" : "");
            // ".", "..", INNER and F0..F12 fill the first cluster.
            EXPECT_NE(FindPath(m_volume.Root(), "SUB/F12.TXT"), nullptr);
            EXPECT_EQ(FindPath(m_volume.Root(), "SUB/F13.TXT") != nullptr, value == kTopBitsOnNext);
        }

        // The FAT32 root is a chain too: a folder that is the root, a root past the end.
        auto image = s_images[32];
        FatImageEditor editor(image);
        editor.SetEntryCluster(editor.FindEntry(0, "SUB        "), editor.RootCluster());
        EXPECT_EQ(OpenAndCopy(image, ""), status::kSuccess);
        EXPECT_EQ(Damaged(), "SUB");
        image = s_images[32];
        editor.SetRootCluster(0x0FFFFFF0);
        EXPECT_EQ(OpenAndCopy(image, ""), status::kFileCorrupt);
        // A root chain that breaks after its first cluster: the root is marked, what it gave stays.
        image = ReadFileBytes(Unpacked("fat", "fat32.img"));
        FatImageEditor fixture(image);
        fixture.SetFat(fixture.RootCluster(), 0);
        EXPECT_EQ(OpenAndCopy(image, ""), status::kSuccess);
        ASSERT_EQ(m_volume.Tree().DamagedFolders().size(), 1u);
        EXPECT_EQ(m_volume.Tree().DamagedFolders()[0], m_volume.Root());
        EXPECT_NE(FindPath(m_volume.Root(), "first.txt"), nullptr);
    });
}

}  // namespace
}  // namespace lc::test
