// The FAT readers against real images made by mkfs.fat and mtools, compared with what mtools and
// The Sleuth Kit report for the same images and with the source files' checksums.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "FatTestUtil.h"
#include "fs/DosTime.h"
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
        m_volume.SetImage(FatFixture(GetParam().name));
        ASSERT_EQ(m_volume.Open(), status::kSuccess);
        ASSERT_NE(m_volume.Root(), nullptr);
    }
    FAT& Reader() { return dynamic_cast<FAT&>(*m_volume.FileSystem()); }
    const DirInfo& Record(const std::string& path) {
        const DirInfo* r = FindPath(m_volume.Root(), path);
        if (!r) throw std::runtime_error("not in the tree: " + path);
        return *r;
    }
    std::vector<uint8_t> Copy(const std::string& path, Status& result) {
        return CopyOut(Reader(), Record(path), result, m_scratch);
    }

    PlainImageVolume m_volume;
    ScratchDir m_scratch;
};

struct FlsEntry {
    bool directory;
    std::string mtime;
    uint64_t size;
};

// fls -r -p -l: "r/r
// 12:<TAB>path<TAB>mtime<TAB>atime<TAB>ctime<TAB>crtime<TAB>size<TAB>uid<TAB>gid"
std::map<std::string, FlsEntry> ParseFls(const std::string& text) {
    std::map<std::string, FlsEntry> entries;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string f; std::getline(split, f, '\t');) fields.push_back(f);
        if (fields.size() < 7 || line.find(" * ") != std::string::npos) continue;  // deleted
        if (fields[1].find("(Volume Label Entry)") != std::string::npos) continue;
        FlsEntry e;
        e.directory = line[0] == 'd';
        e.mtime = fields[2].substr(0, 19);
        e.size = std::stoull(fields[6]);
        entries[fields[1]] = e;
    }
    return entries;
}

TEST_P(FatFixtureTest, MountsWithTheMatchingReader) {
    EXPECT_STREQ(m_volume.FileSystem()->RuntimeClassName(), GetParam().readerClass);
    EXPECT_EQ(Reader().BytesPerCluster(), GetParam().clusterBytes);
}

TEST_P(FatFixtureTest, ListingMatchesSleuthKit) {
    auto expected = ParseFls(FixtureText(std::string(GetParam().name) + ".fls"));
    std::vector<const DirInfo*> records;
    CollectRecords(m_volume.Root(), records);
    ASSERT_EQ(records.size(), expected.size());
    for (const DirInfo* r : records) {
        std::string path = PathOf(r);
        auto it = expected.find(path);
        ASSERT_NE(it, expected.end()) << path;
        EXPECT_EQ(r->IsDirectory(), it->second.directory) << path;
        // fls -z UTC shows the on-disk words unshifted: so must the tree, in any time zone.
        std::string mtime = DosTime::FromPacked(r->modified).ToIsoString();
        mtime[10] = ' ';
        EXPECT_EQ(mtime, it->second.mtime) << path;
        if (r->IsFile()) {
            EXPECT_EQ(r->size, it->second.size) << path;
        }
    }
}

TEST_P(FatFixtureTest, PathsMatchMtools) {
    // mdir prints each code unit it cannot show (here: the two halves of a surrogate pair) as _.
    std::set<std::string> expected;
    std::istringstream in(FixtureText(std::string(GetParam().name) + ".mdir"));
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("::/", 0) == 0) expected.insert(line.substr(3));
    }
    std::set<std::string> actual;
    std::vector<const DirInfo*> records;
    CollectRecords(m_volume.Root(), records);
    for (const DirInfo* r : records) {
        std::u16string shown;
        for (const DirInfo* p = r; p && p->parent; p = p->parent) {
            std::u16string name = p->name;
            for (char16_t& c : name) {
                if (c >= 0xD800 && c <= 0xDFFF) c = u'_';
            }
            shown = shown.empty() ? name : name + u"/" + shown;
        }
        actual.insert(Utf16ToUtf8(shown) + (r->IsDirectory() ? "/" : ""));
    }
    EXPECT_EQ(actual, expected);
}

TEST_P(FatFixtureTest, FileDataMatchesSourceChecksums) {
    std::istringstream in(FixtureText(std::string(GetParam().name) + ".sha256"));
    int files = 0;
    for (std::string line; std::getline(in, line);) {
        std::string sum = line.substr(0, 64);
        std::string path = line.substr(66);
        Status result = 1;
        auto data = Copy(path, result);
        ASSERT_EQ(result, status::kSuccess) << path;
        EXPECT_EQ(data.size(), Record(path).size) << path;
        EXPECT_EQ(Sha256Hex(data), sum) << path;
        ++files;
    }
    EXPECT_GT(files, 130);
}

TEST_P(FatFixtureTest, NamesAsStored) {
    for (const char* path : {"Größenänderung Übersicht.txt", "日本語のファイル名.txt", "readme.txt",
                             "notes.TXT", "UPPER.txt", "PLAIN.TXT"}) {
        EXPECT_NE(FindPath(m_volume.Root(), path), nullptr) << path;
    }
    // U+1F600 as a surrogate pair, kept as stored.
    EXPECT_NE(FindPath(m_volume.Root(), "\xF0\x9F\x98\x80 smile.txt"), nullptr);
    EXPECT_EQ(Record("\xF0\x9F\x98\x80 smile.txt").name.substr(0, 2), u"\xD83D\xDE00");
}

TEST_P(FatFixtureTest, LabelEntryAfterFilesRenamesTheRootAndKeepsThem) {
    // The boot sector says BOOTLABEL; the root's label entry, written after two files, wins.
    EXPECT_EQ(m_volume.Root()->name, u"FIXLABEL");
    EXPECT_NE(FindPath(m_volume.Root(), "first.txt"), nullptr);
    EXPECT_NE(FindPath(m_volume.Root(), "Größenänderung Übersicht.txt"), nullptr);
}

TEST_P(FatFixtureTest, FilesInReverseAndFoldersInDirectoryOrder) {
    std::vector<std::string> files, folders;
    for (const DirInfo* f = m_volume.Root()->firstFile; f; f = f->nextFile) {
        files.push_back(Utf16ToUtf8(f->name));
    }
    for (const DirInfo* d = m_volume.Root()->firstChild; d; d = d->nextSibling) {
        folders.push_back(Utf16ToUtf8(d->name));
    }
    EXPECT_EQ(folders, (std::vector<std::string>{"frag", "deep", "many"}));
    ASSERT_GE(files.size(), 2u);
    EXPECT_EQ(files.back(), "first.txt");
    EXPECT_EQ(files.front(), "large.bin");
}

TEST_P(FatFixtureTest, AttributesTimesAndDepth) {
    EXPECT_EQ(Record("attrs.txt").attributes, 0x20u | 0x01 | 0x02 | 0x04);
    EXPECT_EQ(Record("readme.txt").attributes, 0x20u);
    // 13:45:59 on the source: FAT keeps 2-second units.
    EXPECT_EQ(DosTime::FromPacked(Record("first.txt").modified).ToIsoString(),
              "2021-07-04T13:45:58");
    EXPECT_EQ(DosTime::FromPacked(Record("Größenänderung Übersicht.txt").modified).ToIsoString(),
              "2020-01-15T08:30:00");

    std::string path = "deep";
    for (int i = 1; i <= 40; ++i)
        path += "/level" + std::string(i < 10 ? "0" : "") + std::to_string(i);
    const DirInfo& bottom = Record(path);
    EXPECT_TRUE(bottom.IsDirectory());
    EXPECT_EQ(bottom.depth, 41);
    EXPECT_EQ(Record(path + "/bottom.txt").size, 33u);
}

TEST_P(FatFixtureTest, DirectoryOfSeveralClusters) {
    const DirInfo& many = Record("many");
    int count = 0;
    for (const DirInfo* f = many.firstFile; f; f = f->nextFile) ++count;
    EXPECT_EQ(count, 120);
    // Long names take three entries each: far more than one cluster holds.
    EXPECT_GT(120u * 3 * 32, Reader().BytesPerCluster());
    EXPECT_EQ(Utf16ToUtf8(many.firstFile->name), "entry number 120.txt");
}

TEST_P(FatFixtureTest, EmptyFileNeedsNoRead) {
    const DirInfo& empty = Record("empty.dat");
    EXPECT_EQ(empty.size, 0u);
    EXPECT_LE(empty.firstCluster, 1u);
    uint64_t before = m_volume.ReadCalls();
    Status result = 1;
    EXPECT_TRUE(Copy("empty.dat", result).empty());
    EXPECT_EQ(result, status::kSuccess);
    EXPECT_EQ(m_volume.ReadCalls(), before);
}

TEST_P(FatFixtureTest, ContiguousClustersAreReadInOneCall) {
    Status result = 1;
    Copy("large.bin", result);  // loads the FAT
    ASSERT_EQ(result, status::kSuccess);
    struct {
        const char* path;
        uint64_t reads;
    } cases[] = {{"onecluster.bin", 1},
                 {"cluster plus one.bin", 1},
                 {"large.bin", 1},
                 {"frag/fragmented.bin", 2}};
    for (const auto& c : cases) {
        uint64_t before = m_volume.ReadCalls();
        auto data = Copy(c.path, result);
        EXPECT_EQ(result, status::kSuccess) << c.path;
        EXPECT_EQ(m_volume.ReadCalls() - before, c.reads) << c.path;
    }
    EXPECT_EQ(Record("onecluster.bin").size, GetParam().clusterBytes);
}

TEST_P(FatFixtureTest, ProgressCountsDownToZero) {
    std::vector<std::pair<uint64_t, uint64_t>> reports;
    m_volume.SetProgressCallback(
        [&](uint64_t total, uint64_t remaining) { reports.emplace_back(total, remaining); });
    Status result = 1;
    Copy("frag/fragmented.bin", result);
    ASSERT_EQ(result, status::kSuccess);
    uint64_t size = Record("frag/fragmented.bin").size;
    ASSERT_GE(reports.size(), 3u);
    EXPECT_EQ(reports.front(), std::make_pair(size, size));
    EXPECT_EQ(reports.back(), std::make_pair(size, uint64_t{0}));
    for (size_t i = 1; i < reports.size(); ++i) EXPECT_LE(reports[i].second, reports[i - 1].second);
}

INSTANTIATE_TEST_SUITE_P(Images, FatFixtureTest,
                         ::testing::Values(FixtureCase{"fat12", "Fat12", 1024},
                                           FixtureCase{"fat16", "Fat16", 4096},
                                           FixtureCase{"fat32", "Fat32", 512}),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(FatFixtureFileTest, ReadsAnImageFileAsWellAsMemory) {
    ScratchDir scratch;
    WriteFileBytes(scratch / "fat12.img", FatFixture("fat12"));
    PlainImageVolume volume;
    ASSERT_EQ(volume.OpenImageFile((scratch / "fat12.img").string()), status::kSuccess);
    ASSERT_EQ(volume.Open(), status::kSuccess);
    EXPECT_EQ(volume.Root()->name, u"FIXLABEL");
    Status result = 1;
    auto data =
        CopyOut(*volume.FileSystem(), *FindPath(volume.Root(), "large.bin"), result, scratch);
    EXPECT_EQ(result, status::kSuccess);
    EXPECT_EQ(data.size(), 400u * 1024 + 5);
}

}  // namespace
}  // namespace lc::test
