// Damaged and hostile FAT images: broken chains, loops, directories that contain themselves or
// an ancestor, nesting beyond the limit. Each ends with a status, quickly, never a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

#include "FatTestUtil.h"
#include "fs/FAT.h"

namespace lc::test {
namespace {

using Clock = std::chrono::steady_clock;

class FatHostileTest : public ::testing::Test {
protected:
    // FAT16 with 512-byte clusters: loop.bin takes 3 clusters, sub/ holds inner/ and 20 files.
    std::vector<uint8_t> MakeFat16() {
        WriteFileBytes(m_scratch / "three", std::vector<uint8_t>(3 * 512, 'x'));
        WriteFileBytes(m_scratch / "small", std::vector<uint8_t>(10, 's'));
        std::vector<std::vector<std::string>> commands = {
            {"mcopy", (m_scratch / "three").string(), "::/LOOP.BIN"},
            {"mmd", "::/SUB", "::/SUB/INNER", "::/SUB/INNER/BACK"},
        };
        for (int i = 0; i < 20; ++i) {
            commands.push_back(
                {"mcopy", (m_scratch / "small").string(), "::/SUB/F" + std::to_string(i) + ".TXT"});
        }
        return MakeFatImage(m_scratch, 16, 4096, 1, commands);
    }

    // Mounts, reads the tree and, when a path is given, copies that file.
    Status OpenAndCopy(const std::vector<uint8_t>& image, const std::string& path,
                       std::vector<uint8_t>* data = nullptr) {
        m_volume.SetImage(image);
        auto start = Clock::now();
        Status result = m_volume.Open();
        if (result == status::kSuccess && !path.empty()) {
            const DirInfo* file = FindPath(m_volume.Root(), path);
            if (!file) return 0xDEADBEEF;
            auto bytes = CopyOut(*m_volume.FileSystem(), *file, result, m_scratch);
            if (data) *data = bytes;
        }
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1));
        return result;
    }

    ScratchDir m_scratch;
    PlainImageVolume m_volume;
};

TEST_F(FatHostileTest, BrokenFileChains) {
    const auto pristine = MakeFat16();
    FatImageEditor probe(const_cast<std::vector<uint8_t>&>(pristine));
    uint64_t entry = probe.FindEntry(0, "LOOP    BIN");
    ASSERT_NE(entry, 0u);
    const uint32_t firstCluster = probe.EntryCluster(entry);
    ASSERT_EQ(probe.GetFat(firstCluster), firstCluster + 1);
    ASSERT_EQ(probe.GetFat(firstCluster + 2), 0xFFFFu);

    struct Case {
        const char* what;
        void (*patch)(FatImageEditor&, uint64_t entry, uint32_t c);
        Status expected;
        size_t bytes;  // written on success
    } cases[] = {
        {"intact", [](FatImageEditor&, uint64_t, uint32_t) {}, status::kSuccess, 1536},
        {"cyclic chain, size beyond it",
         [](FatImageEditor& e, uint64_t at, uint32_t first) {
             e.SetFat(first + 2, first);
             e.SetEntrySize(at, 100 * 512);
         },
         status::kFileCorrupt, 0},
        {"cycle inside the size",
         [](FatImageEditor& e, uint64_t, uint32_t first) { e.SetFat(first + 1, first); },
         status::kFileCorrupt, 0},
        {"size larger than the chain",
         [](FatImageEditor& e, uint64_t at, uint32_t) { e.SetEntrySize(at, 5 * 512); },
         status::kFileCorrupt, 0},
        {"next cluster past the end",
         [](FatImageEditor& e, uint64_t, uint32_t first) { e.SetFat(first, 0xFFF0); },
         status::kFileCorrupt, 0},
        {"first cluster past the end",
         [](FatImageEditor& e, uint64_t at, uint32_t) { e.SetEntryCluster(at, 0xFFF0); },
         status::kFileCorrupt, 0},
        {"free entry in the chain",
         [](FatImageEditor& e, uint64_t, uint32_t first) { e.SetFat(first + 1, 0); },
         status::kFileCorrupt, 0},
        {"bad-cluster mark in the chain",
         [](FatImageEditor& e, uint64_t, uint32_t first) { e.SetFat(first + 1, 0xFFF7); },
         status::kFileCorrupt, 0},
        {"size with first cluster 0",
         [](FatImageEditor& e, uint64_t at, uint32_t) { e.SetEntryCluster(at, 0); },
         status::kFileCorrupt, 0},
        {"size with first cluster 1",
         [](FatImageEditor& e, uint64_t at, uint32_t) { e.SetEntryCluster(at, 1); },
         status::kFileCorrupt, 0},
        {"no size, no cluster",
         [](FatImageEditor& e, uint64_t at, uint32_t) {
             e.SetEntryCluster(at, 0);
             e.SetEntrySize(at, 0);
         },
         status::kSuccess, 0},
        {"garbage after the last needed cluster",
         [](FatImageEditor& e, uint64_t, uint32_t first) { e.SetFat(first + 2, 0); },
         status::kSuccess, 1536},
        {"chain turns back without a loop",
         [](FatImageEditor& e, uint64_t, uint32_t first) {
             e.SetFat(first, first + 2);
             e.SetFat(first + 2, first + 1);
             e.SetFat(first + 1, 0xFFFF);
         },
         status::kSuccess, 1536},
    };
    for (const Case& c : cases) {
        auto image = pristine;
        FatImageEditor editor(image);
        c.patch(editor, entry, firstCluster);
        std::vector<uint8_t> data;
        EXPECT_EQ(OpenAndCopy(image, "LOOP.BIN", &data), c.expected) << c.what;
        EXPECT_EQ(data.size(), c.bytes) << c.what;
    }
}

TEST_F(FatHostileTest, DirectoriesThatLoop) {
    const auto pristine = MakeFat16();
    FatImageEditor probe(const_cast<std::vector<uint8_t>&>(pristine));
    uint64_t subEntry = probe.FindEntry(0, "SUB        ");
    ASSERT_NE(subEntry, 0u);
    const uint32_t sub = probe.EntryCluster(subEntry);
    const uint32_t inner = probe.EntryCluster(probe.FindEntry(sub, "INNER      "));
    const uint64_t back = probe.FindEntry(inner, "BACK       ");
    ASSERT_NE(back, 0u);
    const uint32_t subSecond = probe.GetFat(sub);
    ASSERT_GE(subSecond, 2u) << "SUB should span two clusters";
    ASSERT_EQ(probe.GetFat(subSecond), 0xFFFFu);
    struct Places {
        uint32_t sub, subSecond, inner;
        uint64_t back;
    } places{sub, subSecond, inner, back};

    struct Case {
        const char* what;
        void (*patch)(FatImageEditor&, const Places&);
        Status expected;
    } cases[] = {
        {"intact", [](FatImageEditor&, const Places&) {}, status::kSuccess},
        {"contains its grandparent",
         [](FatImageEditor& e, const Places& p) { e.SetEntryCluster(p.back, p.sub); },
         status::kFileCorrupt},
        {"contains its parent",
         [](FatImageEditor& e, const Places& p) { e.SetEntryCluster(p.back, p.inner); },
         status::kFileCorrupt},
        // The first cluster is full (no end entry in it): its FAT entry is followed.
        {"first cluster ends the chain with 0xFFF8",
         [](FatImageEditor& e, const Places& p) { e.SetFat(p.sub, 0xFFF8); }, status::kSuccess},
        {"first cluster leads to itself",
         [](FatImageEditor& e, const Places& p) { e.SetFat(p.sub, p.sub); }, status::kFileCorrupt},
        {"second cluster leads back to the first, after its end entry",
         [](FatImageEditor& e, const Places& p) { e.SetFat(p.subSecond, p.sub); },
         status::kSuccess},
        {"cluster past the end",
         [](FatImageEditor& e, const Places& p) { e.SetEntryCluster(p.back, 0xFFF0); },
         status::kFileCorrupt},
        {"cluster 0", [](FatImageEditor& e, const Places& p) { e.SetEntryCluster(p.back, 0); },
         status::kFileCorrupt},
        {"chain continues into a free cluster",
         [](FatImageEditor& e, const Places& p) { e.SetFat(p.sub, 0); }, status::kFileCorrupt},
    };
    for (const Case& c : cases) {
        auto image = pristine;
        FatImageEditor editor(image);
        c.patch(editor, places);
        EXPECT_EQ(OpenAndCopy(image, ""), c.expected) << c.what;
        // What was reported before the damage stays.
        EXPECT_NE(FindPath(m_volume.Root(), "LOOP.BIN"), nullptr) << c.what;
        EXPECT_NE(FindPath(m_volume.Root(), "SUB/INNER"), nullptr) << c.what;
    }
}

TEST_F(FatHostileTest, LabelEntryOutsideTheRootIsIgnored) {
    auto image = MakeFat16();
    FatImageEditor editor(image);
    uint32_t sub = editor.EntryCluster(editor.FindEntry(0, "SUB        "));
    uint64_t file = editor.FindEntry(sub, "F0      TXT");
    ASSERT_NE(file, 0u);
    image[file + 11] = 0x08;
    ASSERT_EQ(OpenAndCopy(image, ""), status::kSuccess);
    EXPECT_EQ(m_volume.Root()->name, u"NO NAME");
    EXPECT_EQ(FindPath(m_volume.Root(), "SUB/F0.TXT"), nullptr);
    EXPECT_NE(FindPath(m_volume.Root(), "SUB/F1.TXT"), nullptr);
}

// Nested directories made by hand: the root's entry D leads to cluster 2, whose entry D leads to
// cluster 3, and so on.
std::vector<uint8_t> NestedImage(std::vector<uint8_t> image, uint32_t levels) {
    FatImageEditor editor(image);
    auto writeDir = [&](uint64_t at, uint32_t cluster) {
        std::memcpy(&image[at], "D          ", 11);
        image[at + 11] = 0x10;
        editor.SetEntryCluster(at, cluster);
    };
    // The root region starts right before cluster 2's data: 512 entries of 32 bytes.
    writeDir(editor.ClusterOffset(2) - 512 * 32, 2);
    for (uint32_t k = 0; k < levels; ++k) {
        editor.SetFat(2 + k, 0xFFFF);
        std::fill_n(image.begin() + static_cast<std::ptrdiff_t>(editor.ClusterOffset(2 + k)), 512,
                    0);
        if (k + 1 < levels) writeDir(editor.ClusterOffset(2 + k), 3 + k);
    }
    return image;
}

TEST_F(FatHostileTest, NestingDepthIsBounded) {
    const auto blank = MakeFatImage(m_scratch, 16, 4096, 1, {});
    struct Case {
        uint32_t levels;
        Status expected;
    } cases[] = {
        {256, status::kSuccess}, {257, status::kFileCorrupt}, {3000, status::kFileCorrupt}};
    for (const Case& c : cases) {
        EXPECT_EQ(OpenAndCopy(NestedImage(blank, c.levels), ""), c.expected) << c.levels;
        std::vector<const DirInfo*> records;
        CollectRecords(m_volume.Root(), records);
        EXPECT_EQ(records.size(), std::min<uint32_t>(c.levels, 257)) << c.levels;
    }
}

TEST_F(FatHostileTest, TwoEntriesForOneDirectory) {
    auto image = MakeFat16();
    FatImageEditor editor(image);
    uint32_t sub = editor.EntryCluster(editor.FindEntry(0, "SUB        "));
    uint32_t inner = editor.EntryCluster(editor.FindEntry(sub, "INNER      "));
    // LOOP.BIN becomes a second name for INNER: a directory shared by two parents.
    uint64_t loop = editor.FindEntry(0, "LOOP    BIN");
    image[loop + 11] = 0x10;
    editor.SetEntryCluster(loop, inner);
    EXPECT_EQ(OpenAndCopy(image, ""), status::kFileCorrupt);
}

TEST_F(FatHostileTest, Fat32RootAndEntryBits) {
    WriteFileBytes(m_scratch / "three", std::vector<uint8_t>(3 * 512, 'y'));
    const auto pristine =
        MakeFatImage(m_scratch, 32, 36 * 1024, 1,
                     {{"mcopy", (m_scratch / "three").string(), "::/F.BIN"}, {"mmd", "::/SUB"}});
    FatImageEditor probe(const_cast<std::vector<uint8_t>&>(pristine));
    const uint32_t root = probe.RootCluster();
    const uint64_t fileEntry = probe.FindEntry(root, "F       BIN");
    const uint64_t subEntry = probe.FindEntry(root, "SUB        ");
    ASSERT_NE(fileEntry, 0u);
    ASSERT_NE(subEntry, 0u);
    const uint32_t f = probe.EntryCluster(fileEntry);

    struct Case {
        const char* what;
        void (*patch)(FatImageEditor&, uint32_t root, uint32_t f, uint64_t sub);
        Status tree;
        Status copy;
    } cases[] = {
        {"intact", [](FatImageEditor&, uint32_t, uint32_t, uint64_t) {}, status::kSuccess,
         status::kSuccess},
        {"reserved top bits on every entry",
         [](FatImageEditor& e, uint32_t, uint32_t first, uint64_t) {
             e.SetFat(first, 0xF0000000 | (first + 1));
             e.SetFat(first + 1, 0x30000000 | (first + 2));
             e.SetFat(first + 2, 0xFFFFFFFF);
         },
         status::kSuccess, status::kSuccess},
        {"bad-cluster mark",
         [](FatImageEditor& e, uint32_t, uint32_t first, uint64_t) {
             e.SetFat(first + 1, 0x0FFFFFF7);
         },
         status::kSuccess, status::kFileCorrupt},
        {"subdirectory is the root",
         [](FatImageEditor& e, uint32_t r, uint32_t, uint64_t s) { e.SetEntryCluster(s, r); },
         status::kFileCorrupt, status::kSuccess},
        {"root cluster past the end",
         [](FatImageEditor& e, uint32_t, uint32_t, uint64_t) { e.SetRootCluster(0x0FFFFFF0); },
         status::kFileCorrupt, status::kSuccess},
    };
    for (const Case& c : cases) {
        auto image = pristine;
        FatImageEditor editor(image);
        c.patch(editor, root, f, subEntry);
        m_volume.SetImage(image);
        auto start = Clock::now();
        EXPECT_EQ(m_volume.Open(), c.tree) << c.what;
        const DirInfo* file = FindPath(m_volume.Root(), "F.BIN");
        if (!file) {
            EXPECT_NE(c.tree, status::kSuccess) << c.what;  // the root itself is unreadable
            continue;
        }
        Status copied = 1;
        auto data = CopyOut(*m_volume.FileSystem(), *file, copied, m_scratch);
        EXPECT_EQ(copied, c.copy) << c.what;
        if (copied == status::kSuccess) {
            EXPECT_EQ(data, std::vector<uint8_t>(1536, 'y')) << c.what;
        }
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(1)) << c.what;
    }
}

// A directory whose first cluster is full has its FAT entry followed: an end-of-chain value
// must end it there, any other value past the volume makes it corrupt.
TEST_F(FatHostileTest, EndOfChainRanges) {
    std::filesystem::create_directory(m_scratch / "files");
    std::vector<std::string> copy = {"mcopy"};
    for (int i = 0; i < 20; ++i) {
        auto path = m_scratch / "files" / ("F" + std::to_string(i) + ".TXT");
        WriteFileBytes(path, std::vector<uint8_t>(10, 'f'));
        copy.push_back(path.string());
    }
    copy.push_back("::/DIR");

    struct Case {
        int bits;
        int kib;
        uint32_t value;
        Status expected;
    } cases[] = {
        {12, 1024, 0xFF8, status::kSuccess},
        {12, 1024, 0xFFE, status::kSuccess},
        {12, 1024, 0xFF7, status::kFileCorrupt},
        {16, 4096, 0xFFF8, status::kSuccess},
        {16, 4096, 0xFFFE, status::kSuccess},
        {16, 4096, 0xFFF7, status::kFileCorrupt},
        {32, 36 * 1024, 0x0FFFFFF8, status::kSuccess},
        {32, 36 * 1024, 0xFFFFFFF8, status::kSuccess},  // the top four bits are not part of it
        {32, 36 * 1024, 0x0FFFFFF7, status::kFileCorrupt},
        {32, 36 * 1024, 0x0FFFFFF0, status::kFileCorrupt},
    };
    std::map<int, std::vector<uint8_t>> images;
    for (const Case& c : cases) {
        if (!images.count(c.bits)) {
            images[c.bits] = MakeFatImage(m_scratch, c.bits, c.kib, 1, {{"mmd", "::/DIR"}, copy});
        }
        auto image = images[c.bits];
        FatImageEditor editor(image);
        uint32_t dir = editor.EntryCluster(editor.FindEntry(0, "DIR        "));
        ASSERT_GE(editor.GetFat(dir) & 0x0FFFFFFF, 2u) << "DIR should span two clusters";
        editor.SetFat(dir, c.value);
        std::string what = "FAT" + std::to_string(c.bits) + " " + std::to_string(c.value);
        EXPECT_EQ(OpenAndCopy(image, ""), c.expected) << what;
        // ".", ".." and F0..F13 fill the first cluster.
        EXPECT_NE(FindPath(m_volume.Root(), "DIR/F13.TXT"), nullptr) << what;
        EXPECT_EQ(FindPath(m_volume.Root(), "DIR/F14.TXT"), nullptr) << what;
    }
}

}  // namespace
}  // namespace lc::test
