// The NTFS reader against images made by mkntfs and filled through ntfs-3g, compared with what
// The Sleuth Kit lists for the same images and with the source files' checksums; then the same
// images with damaged records.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "NtfsTestUtil.h"
#include "fs/DosTime.h"
#include "fs/NtfsRunList.h"
#include "fs/NtfsStructures.h"
#include "platform/ByteReader.h"
#include "platform/File.h"
#include "platform/Text.h"

namespace lc::test {
namespace {

constexpr uint32_t kClusterSizes[] = {512, 1024, 4096};

// The fixtures decompressed once for the whole run.
const std::filesystem::path& FixtureFolder() {
    static ScratchDir* folder = [] {
        auto* dir = new ScratchDir();
        for (uint32_t cluster : kClusterSizes) {
            Decompress("ntfs-" + std::to_string(cluster) + ".img", dir->path());
            Decompress("ntfs-" + std::to_string(cluster) + ".fls", dir->path());
        }
        return dir;
    }();
    return folder->path();
}

std::vector<uint8_t> Image(uint32_t cluster) {
    return ReadFileBytes(FixtureFolder() / ("ntfs-" + std::to_string(cluster) + ".img"));
}

std::string ReadText(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Copies a file out through the reader; the bytes written, or empty on failure.
std::vector<uint8_t> CopyOut(FileSystemBase& fs, const DirInfo& file, Status& result,
                             const ScratchDir& scratch) {
    std::filesystem::path path = scratch / "out.bin";
    File out;
    EXPECT_EQ(out.CreateReplace(path.string()), status::kSuccess);
    result = fs.CopyFileData(file.firstCluster, out, file.size);
    out.Close();
    return ReadFileBytes(path);
}

class NtfsFixtureTest : public ::testing::TestWithParam<uint32_t> {
protected:
    void SetUp() override {
        std::string image =
            (FixtureFolder() / ("ntfs-" + std::to_string(GetParam()) + ".img")).string();
        ASSERT_EQ(m_volume.OpenImageFile(image), status::kSuccess);
        ASSERT_EQ(m_volume.Open(), status::kSuccess);
        ASSERT_NE(m_volume.Root(), nullptr);
    }
    NtFs& Reader() { return dynamic_cast<NtFs&>(*m_volume.FileSystem()); }
    const DirInfo& Record(const std::string& path) {
        const DirInfo* record = FindPath(m_volume.Root(), path);
        if (!record) throw std::runtime_error("not in the tree: " + path);
        return *record;
    }

    PlainImageVolume m_volume;
    ScratchDir m_scratch;
};

TEST_P(NtfsFixtureTest, GeometryAndLabel) {
    EXPECT_STREQ(Reader().RuntimeClassName(), "NtFs");
    EXPECT_EQ(Reader().ClusterBytes(), GetParam());
    // mkntfs stores 1 KiB records and 4 KiB index buffers as -10 and -12 with 4 KiB clusters.
    EXPECT_EQ(Reader().RecordBytes(), 1024u);
    EXPECT_EQ(Reader().IndexBufferBytes(), 4096u);
    EXPECT_EQ(m_volume.Root()->name, u"NTFS" + Utf8ToUtf16(std::to_string(GetParam())));
}

TEST_P(NtfsFixtureTest, ListingMatchesSleuthKit) {
    Listing expected =
        ParseFlsBody(ReadText(FixtureFolder() / ("ntfs-" + std::to_string(GetParam()) + ".fls")));
    Listing listed = ListTree(m_volume.Root());
    ASSERT_GT(expected.size(), 2000u);
    for (const auto& [path, item] : expected) {
        auto it = listed.find(path);
        if (it == listed.end()) {
            ADD_FAILURE() << "missing: " << path;
            continue;
        }
        EXPECT_EQ(it->second.kind, item.kind) << path;
        EXPECT_EQ(it->second.size, item.size) << path;
        EXPECT_EQ(it->second.modified, item.modified)
            << path << ": " << DosTime::FromPacked(it->second.modified).ToIsoString() << " vs "
            << DosTime::FromPacked(item.modified).ToIsoString();
    }
    for (const auto& [path, item] : listed) {
        EXPECT_TRUE(expected.count(path)) << "listed but not expected: " << path;
        EXPECT_NE(path[0], '$') << "system file listed";
    }

    // The 2,000-file folder lies in index buffers and in the index root.
    size_t many = 0;
    for (const DirInfo* f = Record("many").firstFile; f; f = f->nextFile) ++many;
    EXPECT_EQ(many, 2000u);
    // The DOS twin of the long name is not listed.
    EXPECT_EQ(listed.count("LONGFI~1.TXT"), 0u);
    EXPECT_EQ(listed.count("Long file name with spaces.txt"), 1u);
}

TEST_P(NtfsFixtureTest, TimesArePackedAsLocalTime) {
    // 2021-06-15 10:20:31 UTC is 12:20:31 in Berlin (summer time); the odd second rounds down.
    DosTime hello = DosTime::FromPacked(Record("hello.txt").modified);
    EXPECT_EQ(hello.ToIsoString(), "2021-06-15T12:20:30");
    // 2017-05-05 05:05:04 UTC, winter rules do not apply in May.
    EXPECT_EQ(DosTime::FromPacked(Record("docs/a/b/c").modified).ToIsoString(),
              "2017-05-05T07:05:04");
}

TEST_P(NtfsFixtureTest, ExtractedBytesMatchTheSources) {
    auto sums = ParseSums(ReadText(FixtureDir() / "ntfs" / "sha256sums.txt"));
    const std::pair<const char*, const char*> files[] = {
        {"hello.txt", "hello.txt"},
        {"Long file name with spaces.txt", "long.txt"},
        {"Grüße ✓ 😀.txt", "unicode.txt"},
        {"empty.dat", "empty.dat"},
        {"mid.bin", "mid.bin"},
        {"frag.bin", "frag.bin"},  // several runs, one going back
        {"sparse.bin", "sparse.bin"},
        {"docs/readme.md", "readme.md"},
        {"docs/a/b/c/deep.txt", "deep.txt"},
    };
    for (const auto& [path, source] : files) {
        const DirInfo& file = Record(path);
        uint64_t lastRemaining = UINT64_MAX;
        m_volume.SetProgressCallback(
            [&](uint64_t, uint64_t remaining) { lastRemaining = remaining; });
        Status result = 1;
        std::vector<uint8_t> data = CopyOut(Reader(), file, result, m_scratch);
        EXPECT_EQ(result, status::kSuccess) << path;
        EXPECT_EQ(data.size(), file.size) << path;
        EXPECT_EQ(Sha256Hex(data), sums[source]) << path;
        if (file.size > Reader().RecordBytes()) {
            EXPECT_EQ(lastRemaining, 0u) << path;
        }
    }
}

TEST_P(NtfsFixtureTest, ContiguousRunsAreReadInLargePieces) {
    const DirInfo& file = Record("mid.bin");
    uint64_t before = m_volume.ReadCalls();
    Status result = 1;
    CopyOut(Reader(), file, result, m_scratch);
    EXPECT_EQ(result, status::kSuccess);
    // One read for the record, a few for the runs; never one per cluster.
    EXPECT_LT(m_volume.ReadCalls() - before, 8u);
}

TEST_P(NtfsFixtureTest, CompressedFileIsListedWithItsFlagAndRefused) {
    const DirInfo& file = Record("compressed/packed.txt");
    EXPECT_NE(file.attributes & kAttrCompressed, 0u);
    EXPECT_EQ(file.size, 84000u);
    Status result = 0;
    CopyOut(Reader(), file, result, m_scratch);
    EXPECT_EQ(result, status::kNotSupported);
}

TEST_P(NtfsFixtureTest, RecordToClusterFindsEveryListedRecord) {
    std::vector<uint8_t> image = Image(GetParam());
    Listing listed = ListTree(m_volume.Root());
    for (const auto& [path, item] : listed) {
        if (item.kind != 'F') continue;
        auto place = Reader().RecordToCluster(item.record);
        ASSERT_TRUE(place.ok()) << path;
        uint64_t offset = place->cluster * Reader().ClusterBytes() + place->byteOffset;
        ASSERT_LT(offset + 48, image.size());
        EXPECT_EQ(LoadLe<uint32_t>(image.data() + offset), ntfs::kFileMagic) << path;
        EXPECT_EQ(LoadLe<uint32_t>(image.data() + offset + 44), item.record) << path;
    }
    EXPECT_EQ(Reader().RecordToCluster(Reader().RecordCount()).status(), status::kFileCorrupt);
}

INSTANTIATE_TEST_SUITE_P(Clusters, NtfsFixtureTest, ::testing::ValuesIn(kClusterSizes),
                         [](const ::testing::TestParamInfo<uint32_t>& param) {
                             return std::to_string(param.param);
                         });

// Run lists: (bytes, clusters on the volume) → runs as (lcn or -1 for a hole, length), or 1392.
struct RunCase {
    const char* name;
    std::vector<uint8_t> bytes;
    std::vector<std::pair<int64_t, uint64_t>> runs;
    Status status;
};

TEST(NtfsRunListTest, DecodesAndRejects) {
    const RunCase cases[] = {
        {"two runs, the second back",
         {0x21, 0x10, 0x00, 0x01, 0x11, 0x05, 0xF0, 0x00},
         {{0x100, 0x10}, {0xF0, 5}},
         0},
        {"hole in the middle",
         {0x11, 0x04, 0x20, 0x01, 0x08, 0x11, 0x02, 0x01, 0x00},
         {{0x20, 4}, {-1, 8}, {0x21, 2}},
         0},
        {"end without a terminator", {0x11, 0x04, 0x20}, {{0x20, 4}}, 0},
        {"starts with a hole, then relative to 0",
         {0x01, 0x08, 0x11, 0x02, 0x20, 0x00},
         {{-1, 8}, {0x20, 2}},
         0},
        {"hole larger than the volume", {0x04, 0x00, 0x00, 0x00, 0x01, 0x00}, {{-1, 1u << 24}}, 0},
        {"length field of 9 bytes",
         {0x19, 1, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0},
         {},
         status::kFileCorrupt},
        {"offset field of 9 bytes",
         {0x91, 1, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0},
         {},
         status::kFileCorrupt},
        {"length 0", {0x11, 0x00, 0x20, 0x00}, {}, status::kFileCorrupt},
        {"no length field", {0x10, 0x20, 0x00}, {}, status::kFileCorrupt},
        {"past the volume", {0x21, 0x10, 0xF8, 0x0F, 0x00}, {}, status::kFileCorrupt},
        {"before the volume", {0x11, 0x04, 0x10, 0x11, 0x04, 0xE0, 0x00}, {}, status::kFileCorrupt},
        {"cut short", {0x21, 0x10, 0x00}, {}, status::kFileCorrupt},
    };
    for (const RunCase& c : cases) {
        auto list = NtfsRunList::Decode(c.bytes, 0x1000);
        ASSERT_EQ(list.status(), c.status) << c.name;
        if (!list.ok()) continue;
        ASSERT_EQ(list->Runs().size(), c.runs.size()) << c.name;
        for (size_t i = 0; i < c.runs.size(); ++i) {
            const NtfsRun& run = list->Runs()[i];
            EXPECT_EQ(run.sparse ? -1 : static_cast<int64_t>(run.lcn), c.runs[i].first) << c.name;
            EXPECT_EQ(run.length, c.runs[i].second) << c.name;
        }
    }
    auto list = NtfsRunList::Decode(cases[1].bytes, 0x1000);
    EXPECT_EQ(list->Find(3)->lcn, 0x20u);
    EXPECT_TRUE(list->Find(4)->sparse);
    EXPECT_EQ(list->Find(13)->lcn, 0x21u);
    EXPECT_EQ(list->Find(14), nullptr);
}

// Damaged images: each patch ends with a status, never a hang or a crash.
class NtfsDamageTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_image = Image(1024);
        PlainImageVolume pristine(m_image);
        ASSERT_EQ(pristine.Open(), status::kSuccess);
        // Keep a reader with the pristine MFT layout to find records in the image.
        m_layout = std::make_unique<PlainImageVolume>(m_image);
        ASSERT_EQ(m_layout->Open(), status::kSuccess);
    }
    const NtFs& Layout() { return dynamic_cast<const NtFs&>(*m_layout->FileSystem()); }
    RawRecord RecordNamed(const std::u16string& name) {
        int64_t n = FindRecordByName(Layout(), m_image, name);
        EXPECT_GE(n, 0);
        return LoadRecord(Layout(), m_image, static_cast<uint64_t>(n));
    }
    // The unnamed attribute of type; folder indexes carry the name $I30, hence named.
    size_t Attribute(const RawRecord& record, uint32_t type, bool named = false) {
        auto at = NtFs::FindAttributeFrom(record.bytes, type, 0, !named);
        EXPECT_TRUE(at.ok());
        return at.ok() ? *at : 0;
    }
    Status Mount(PlainImageVolume& volume) {
        volume.SetImage(m_image);
        return volume.Open();
    }
    Status CopyFile(PlainImageVolume& volume, const std::string& path) {
        const DirInfo* file = FindPath(volume.Root(), path);
        if (!file) return status::kFileNotFound;
        Status result = 0;
        CopyOut(*volume.FileSystem(), *file, result, m_scratch);
        return result;
    }

    std::vector<uint8_t> m_image;
    std::unique_ptr<PlainImageVolume> m_layout;
    ScratchDir m_scratch;
};

TEST_F(NtfsDamageTest, AttributeLengthZero) {
    RawRecord hello = RecordNamed(u"hello.txt");
    StoreLe<uint32_t>(hello.bytes.data() + Attribute(hello, 0x10) + ntfs::kAttrLength, 0);
    StoreRecord(m_image, hello);
    PlainImageVolume volume;
    // The entry's own name serves; the data cannot be found.
    EXPECT_EQ(Mount(volume), status::kSuccess);
    EXPECT_EQ(CopyFile(volume, "hello.txt"), status::kFileCorrupt);

    RawRecord root = LoadRecord(Layout(), m_image, ntfs::kRecordRoot);
    StoreLe<uint32_t>(root.bytes.data() + Attribute(root, 0x10) + ntfs::kAttrLength, 0);
    StoreRecord(m_image, root);
    EXPECT_EQ(Mount(volume), status::kFileCorrupt);
}

TEST_F(NtfsDamageTest, RunListPastTheVolume) {
    RawRecord mid = RecordNamed(u"mid.bin");
    size_t data = Attribute(mid, ntfs::kTypeData);
    size_t runs = data + LoadLe<uint16_t>(mid.bytes.data() + data + ntfs::kAttrRunListOffset);
    uint8_t header = mid.bytes[runs];
    // The top byte of the first run's offset field.
    mid.bytes[runs + (header & 15) + (header >> 4)] = 0x7F;
    StoreRecord(m_image, mid);
    PlainImageVolume volume;
    EXPECT_EQ(Mount(volume), status::kSuccess);
    EXPECT_EQ(CopyFile(volume, "mid.bin"), status::kFileCorrupt);
}

TEST_F(NtfsDamageTest, FolderContainingItselfAndRecordsBeyondTheMft) {
    int64_t a = FindRecordByName(Layout(), m_image, u"a");
    int64_t b = FindRecordByName(Layout(), m_image, u"b");
    RawRecord record = LoadRecord(Layout(), m_image, static_cast<uint64_t>(a));
    // Points a's entry for b at a itself.
    size_t entry = 0;
    for (size_t i = ntfs::kMinRecordHeader; i + 8 <= record.bytes.size() && entry == 0; ++i) {
        if ((LoadLe<uint64_t>(record.bytes.data() + i) & ntfs::kRecordNumberMask) ==
            static_cast<uint64_t>(b)) {
            entry = i;
        }
    }
    ASSERT_NE(entry, 0u);
    StoreLe<uint32_t>(record.bytes.data() + entry, static_cast<uint32_t>(a));
    StoreRecord(m_image, record);
    PlainImageVolume volume;
    // Listed under the name in the record it points at, and not read again.
    EXPECT_EQ(Mount(volume), status::kFileCorrupt);
    EXPECT_NE(FindPath(volume.Root(), "docs/a/a"), nullptr);
    EXPECT_EQ(FindPath(volume.Root(), "docs/a/a/c"), nullptr);
    EXPECT_NE(FindPath(volume.Root(), "many/f1999.txt"), nullptr);

    // Now beyond the MFT: a name lookup falls back to the entry, the folder read fails.
    StoreLe<uint32_t>(record.bytes.data() + entry, 0x7FFFFFF0);
    StoreRecord(m_image, record);
    EXPECT_EQ(Mount(volume), status::kFileCorrupt);
    EXPECT_NE(FindPath(volume.Root(), "docs/a/b"), nullptr);
}

TEST_F(NtfsDamageTest, BrokenFixups) {
    RawRecord docs = RecordNamed(u"docs");
    std::vector<uint8_t> good = m_image;
    m_image[docs.offset + 510] ^= 0xFF;
    PlainImageVolume volume;
    EXPECT_EQ(Mount(volume), status::kFileCorrupt);
    EXPECT_NE(FindPath(volume.Root(), "hello.txt"), nullptr);
    EXPECT_EQ(FindPath(volume.Root(), "docs/readme.md"), nullptr);

    // The first index buffer of the large folder.
    m_image = good;
    RawRecord many = RecordNamed(u"many");
    size_t allocation = Attribute(many, ntfs::kTypeIndexAllocation, true);
    size_t runs =
        allocation + LoadLe<uint16_t>(many.bytes.data() + allocation + ntfs::kAttrRunListOffset);
    auto list = NtfsRunList::Decode(std::span<const uint8_t>(many.bytes).subspan(runs), UINT32_MAX);
    ASSERT_TRUE(list.ok());
    m_image[list->Runs()[0].lcn * Layout().ClusterBytes() + 1022] ^= 0x01;
    EXPECT_EQ(Mount(volume), status::kFileCorrupt);
    EXPECT_NE(FindPath(volume.Root(), "hello.txt"), nullptr);

    // The MFT's own record.
    m_image = good;
    m_image[Layout().MftCluster() * Layout().ClusterBytes() + 510] ^= 0x01;
    EXPECT_EQ(Mount(volume), status::kFileCorrupt);
}

TEST_F(NtfsDamageTest, IndexBuffersMarkedFreeAreSkipped) {
    RawRecord many = RecordNamed(u"many");
    size_t bitmap = Attribute(many, ntfs::kTypeBitmap, true);
    // Resident on these images: clear the bit of buffer 0.
    size_t value = bitmap + LoadLe<uint16_t>(many.bytes.data() + bitmap + ntfs::kAttrValueOffset);
    ASSERT_EQ(many.bytes[value] & 1, 1);
    many.bytes[value] &= 0xFE;
    StoreRecord(m_image, many);
    PlainImageVolume volume;
    EXPECT_EQ(Mount(volume), status::kSuccess);
    size_t count = 0;
    for (const DirInfo* f = FindPath(volume.Root(), "many")->firstFile; f; f = f->nextFile) ++count;
    EXPECT_GT(count, 0u);
    EXPECT_LT(count, 2000u);
}

TEST_F(NtfsDamageTest, BootSectorSizes) {
    struct Case {
        const char* name;
        size_t offset;
        uint8_t value;
        Status status;
    };
    const Case cases[] = {
        {"index buffer of 0 clusters", ntfs::kBootIndexBufferSize, 0, status::kFileCorrupt},
        {"record of 0 clusters", ntfs::kBootRecordSize, 0, status::kFileCorrupt},
        {"record of 2^31 bytes", ntfs::kBootRecordSize, 0xE1, status::kFileCorrupt},
        {"record of 3 clusters", ntfs::kBootRecordSize, 3, status::kFileCorrupt},
        {"index buffer as 2^12 bytes", ntfs::kBootIndexBufferSize, 0xF4, status::kSuccess},
        {"no sectors per cluster", ntfs::kBootSectorsPerCluster, 0, status::kFileCorrupt},
        {"MFT past the volume", ntfs::kBootMftCluster + 7, 0x40, status::kFileCorrupt},
    };
    std::vector<uint8_t> good = m_image;
    for (const Case& c : cases) {
        m_image = good;
        m_image[c.offset] = c.value;
        PlainImageVolume volume;
        EXPECT_EQ(Mount(volume), c.status) << c.name;
    }
}

}  // namespace
}  // namespace lc::test

namespace lc::test {
namespace {

// The command-line tool on AES-256 volumes made from the fixtures by mkvol.
TEST(NtfsCliTest, ExtractsEveryFixtureByteExact) {
    auto sums = ParseSums(ReadText(FixtureDir() / "ntfs" / "sha256sums.txt"));
    const std::pair<const char*, const char*> files[] = {
        {"hello.txt", "hello.txt"},   {"Long file name with spaces.txt", "long.txt"},
        {"mid.bin", "mid.bin"},       {"frag.bin", "frag.bin"},
        {"sparse.bin", "sparse.bin"}, {"docs/a/b/c/deep.txt", "deep.txt"},
    };
    for (uint32_t cluster : kClusterSizes) {
        SCOPED_TRACE(cluster);
        ScratchDir scratch;
        std::string image =
            (FixtureFolder() / ("ntfs-" + std::to_string(cluster) + ".img")).string();
        std::string vol = (scratch / "ntfs.vol").string();
        RunResult made =
            test::Run({MkvolPath(), "--password-a", "pw", "--algorithm", "1", image, vol});
        ASSERT_EQ(made.exitCode, 0) << made.err;
        RunResult run = test::Run({CliPath(), "extract", vol, "-C", (scratch / "out").string()}, {},
                                  {"LCPORTABLE_PASSWORD=pw"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        // The compressed file is refused, the rest extracted.
        EXPECT_NE(run.err.find("packed.txt"), std::string::npos) << run.err;
        EXPECT_FALSE(std::filesystem::exists(scratch / "out" / "compressed" / "packed.txt"));
        for (const auto& [path, source] : files) {
            EXPECT_EQ(Sha256Hex(ReadFileBytes(scratch / "out" / path)), sums[source]) << path;
        }
        size_t many = 0;
        for ([[maybe_unused]] const auto& entry :
             std::filesystem::directory_iterator(scratch / "out" / "many")) {
            ++many;
        }
        EXPECT_EQ(many, 2000u);
        RunResult cat =
            test::Run({CliPath(), "cat", vol, "many/f1234.txt"}, {}, {"LCPORTABLE_PASSWORD=pw"});
        EXPECT_EQ(cat.out, "1234\n");
    }
}

}  // namespace
}  // namespace lc::test

namespace lc::test {
namespace {

// The fuzz seed must be a whole, readable volume within libFuzzer's 1 MiB input limit.
TEST(NtfsFuzzSeedTest, MountsAndCopiesWithinOneMiB) {
    ScratchDir scratch;
    std::vector<uint8_t> image = ReadFileBytes(Decompress("fuzz-seed.img", scratch.path()));
    ASSERT_LE(image.size(), 1u << 20);
    PlainImageVolume volume(image);
    ASSERT_EQ(volume.Open(), status::kSuccess);
    EXPECT_EQ(volume.Root()->name, u"SEED");
    EXPECT_EQ(ListTree(volume.Root()).size(), 45u);
    const DirInfo* run = FindPath(volume.Root(), "big/run.bin");
    ASSERT_NE(run, nullptr);
    Status result = 1;
    EXPECT_EQ(CopyOut(*volume.FileSystem(), *run, result, scratch).size(), 6000u);
    EXPECT_EQ(result, status::kSuccess);
}

}  // namespace
}  // namespace lc::test

namespace lc::test {
namespace {

class NtfsDataTest : public NtfsDamageTest {};

TEST_F(NtfsDataTest, BytesPastTheInitializedSizeReadAsZeros) {
    PlainImageVolume volume;
    ASSERT_EQ(Mount(volume), status::kSuccess);
    Status result = 1;
    std::vector<uint8_t> original =
        CopyOut(*volume.FileSystem(), *FindPath(volume.Root(), "mid.bin"), result, m_scratch);
    ASSERT_EQ(result, status::kSuccess);

    RawRecord mid = RecordNamed(u"mid.bin");
    StoreLe<uint64_t>(
        mid.bytes.data() + Attribute(mid, ntfs::kTypeData) + ntfs::kAttrInitializedSize, 1000);
    StoreRecord(m_image, mid);
    ASSERT_EQ(Mount(volume), status::kSuccess);
    std::vector<uint8_t> data =
        CopyOut(*volume.FileSystem(), *FindPath(volume.Root(), "mid.bin"), result, m_scratch);
    EXPECT_EQ(result, status::kSuccess);
    ASSERT_EQ(data.size(), original.size());
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 1000, original.begin()));
    EXPECT_TRUE(std::all_of(data.begin() + 1000, data.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(NtfsDataTest, EncryptedDataIsRefused) {
    RawRecord hello = RecordNamed(u"hello.txt");
    StoreLe<uint16_t>(hello.bytes.data() + Attribute(hello, ntfs::kTypeData) + ntfs::kAttrFlags,
                      ntfs::kAttrFlagEncrypted);
    StoreRecord(m_image, hello);
    PlainImageVolume volume;
    ASSERT_EQ(Mount(volume), status::kSuccess);
    EXPECT_EQ(CopyFile(volume, "hello.txt"), status::kNotSupported);
}

}  // namespace
}  // namespace lc::test
