// The NTFS reader on mkntfs/ntfs-3g images against fls and the source checksums, then damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>
#include <tuple>

#include <sys/stat.h>

#include "Bounded.h"
#include "FsTestUtil.h"
#include "fs/DosTime.h"
#include "fs/Lznt1.h"
#include "fs/NtFs.h"
#include "fs/NtfsRunList.h"
#include "fs/NtfsStructures.h"

namespace lc::test {
namespace {

// Fixture path → source file name in sha256sums.txt; frag.bin has several runs, one going back.
const std::pair<const char*, const char*> kSourceFiles[] = {
    {"hello.txt", "hello.txt"},       {"Long file name with spaces.txt", "long.txt"},
    {"Grüße ✓ 😀.txt", "unicode.txt"}, {"empty.dat", "empty.dat"},
    {"mid.bin", "mid.bin"},           {"frag.bin", "frag.bin"},
    {"sparse.bin", "sparse.bin"},     {"compressed/packed.txt", "packed.txt"},
    {"docs/readme.md", "readme.md"},  {"docs/a/b/c/deep.txt", "deep.txt"},
};

// Kind ('D' or 'F'), size (0 for folders) and packed local time of each path below the root.
using Listing = std::map<std::string, std::tuple<char, uint64_t, uint32_t>>;
std::tuple<char, uint64_t, uint32_t> Item(bool dir, uint64_t size, uint32_t time) {
    return {dir ? 'D' : 'F', dir ? 0 : size, time};
}

// The user entries of an fls -m body file (no system files, deleted entries, $FILE_NAME twins).
Listing ParseFlsBody(const std::string& body) {
    Listing listing;
    std::istringstream lines(body);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '|');) fields.push_back(field);
        if (fields.size() < 11) continue;
        const std::string& path = fields[1];
        if (path.size() < 2 || path[1] == '$' || path.find("($FILE_NAME)") != std::string::npos ||
            path.find("(deleted)") != std::string::npos) {
            continue;
        }
        listing[path.substr(1)] = Item(fields[3].rfind("d/d", 0) == 0, std::stoull(fields[6]),
                                       DosTime::PackUnixTime(std::stoll(fields[8])));
    }
    return listing;
}

Listing ListTree(const DirInfo* root) {
    Listing listing;
    std::vector<const DirInfo*> records;
    CollectRecords(root, records);
    for (const DirInfo* r : records)
        EXPECT_TRUE(listing.emplace(PathOf(r), Item(r->IsDirectory(), r->size, r->modified)).second)
            << "listed twice: " << PathOf(r);
    return listing;
}

class NtfsFixtureTest : public ::testing::TestWithParam<uint32_t> {};

TEST_P(NtfsFixtureTest, ListingAndEveryFileByteExact) {
    const std::string name = "ntfs-" + std::to_string(GetParam());
    PlainImageVolume volume;
    ASSERT_EQ(volume.OpenImageFile(Unpacked("ntfs", name + ".img").string()), status::kSuccess);
    ASSERT_EQ(volume.Open(), status::kSuccess);
    EXPECT_EQ(volume.Root()->name, u"NTFS" + Utf8ToUtf16(std::to_string(GetParam())));

    Listing expected = ParseFlsBody(ReadText(Unpacked("ntfs", name + ".fls")));
    // No system files, no DOS twin of a long name, each file once; 2,000 files in one folder.
    ASSERT_GT(expected.size(), 2000u);
    EXPECT_EQ(ListTree(volume.Root()), expected);
    // Not through fls's times: 10:20:31 UTC is 12:20:31 in Berlin; the odd second rounds down.
    EXPECT_EQ(DosTime::FromPacked(FindPath(volume.Root(), "hello.txt")->modified).ToIsoString(),
              "2021-06-15T12:20:30");

    // mid.bin in a few large reads (the record, the runs), never one per cluster.
    std::map<std::string, std::string> sums;
    std::istringstream lines(ReadText(FixtureDir() / "ntfs" / "sha256sums.txt"));
    for (std::string hash, source; lines >> hash >> source;) sums[source] = hash;
    ScratchDir scratch;
    uint64_t lastRemaining = UINT64_MAX;
    volume.SetProgressCallback([&](uint64_t, uint64_t remaining) { lastRemaining = remaining; });
    for (const auto& [path, source] : kSourceFiles) {
        SCOPED_TRACE(path);
        const DirInfo* file = FindPath(volume.Root(), path);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(std::string_view(path) == "compressed/packed.txt",
                  (file->attributes & kAttrCompressed) != 0);
        const uint64_t before = volume.ReadCalls();
        Status result{1};
        EXPECT_EQ(Sha256Hex(CopyOut(*volume.FileSystem(), *file, result, scratch)), sums[source]);
        EXPECT_EQ(result, status::kSuccess);
        const uint64_t reads = volume.ReadCalls() - before;
        EXPECT_TRUE(reads < 8 || std::string_view(path) != "mid.bin") << reads;
    }
    EXPECT_EQ(lastRemaining, 0u);
}

INSTANTIATE_TEST_SUITE_P(Clusters, NtfsFixtureTest, ::testing::Values(512u, 1024u, 4096u),
                         [](const auto& param) { return std::to_string(param.param); });

std::vector<uint8_t> Hex(const char* hex) {
    std::vector<uint8_t> bytes;
    std::istringstream in(hex);
    for (unsigned byte; in >> std::hex >> byte;) bytes.push_back(static_cast<uint8_t>(byte));
    return bytes;
}

TEST(NtfsRunListTest, DecodesAndRejects) {
    // Run-list bytes → runs as "lcn:length" ("-" for a hole) on 0x1000 clusters, or "corrupt".
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"end without a terminator", "11 04 20", "32:4"},
        {"starts with a hole, then relative to 0", "01 08 11 02 20 00", "-:8 32:2"},
        {"length field of 9 bytes", "19 01 00 00 00 00 00 00 00 00 01 00", "corrupt"},
        {"offset field of 9 bytes", "91 01 01 00 00 00 00 00 00 00 00 00", "corrupt"},
        {"length 0", "11 00 20 00", "corrupt"},
        {"no length field", "10 20 00", "corrupt"},
        {"past the volume", "21 10 F8 0F 00", "corrupt"},
        {"before the volume", "11 04 10 11 04 E0 00", "corrupt"},
        {"cut short", "21 10 00", "corrupt"},
    };
    for (const auto& [name, hex, expected] : cases) {
        auto list = NtfsRunList::Decode(Hex(hex), 0x1000);
        std::string runs;
        if (!list.ok()) runs = list.status() == status::kFileCorrupt ? "corrupt" : "other";
        for (const NtfsRun& run : list.ok() ? list->Runs() : std::vector<NtfsRun>{})
            runs += (runs.empty() ? "" : " ") + (run.sparse ? "-" : std::to_string(run.lcn)) + ":" +
                    std::to_string(run.length);
        EXPECT_EQ(runs, expected) << name;
    }
}

TEST(Lznt1Test, DecodesAndRejects) {
    // Chunks → output (a short chunk followed by another is padded to 4 KiB), or "corrupt".
    const std::tuple<const char*, const char*, std::string> cases[] = {
        {"zero header ends the unit", "02 30 41 42 43 00 00 FF FF", "ABC"},
        {"short chunk, then another", "02 30 41 42 43 00 30 44",
         "ABC" + std::string(Lznt1::kChunkBytes - 3, '\0') + "D"},
        {"copy before the chunk's start", "02 B0 01 00 00", "corrupt"},
        {"copy from before the output", "03 B0 02 61 00 10", "corrupt"},
        {"token cut short", "02 B0 02 61 00", "corrupt"},
        {"chunk longer than the input", "0F B0 01 02 03", "corrupt"},
    };
    for (const auto& [name, hex, expected] : cases) {
        std::vector<uint8_t> out(2 * Lznt1::kChunkBytes, 0xEE);
        auto produced = Lznt1::Decompress(Hex(hex), out);
        out.resize(produced.ok() ? *produced : 0);
        EXPECT_EQ(produced.ok() ? std::string(out.begin(), out.end()) : "corrupt", expected)
            << name;
    }
}

// A raw FILE record of an image: its byte offset, and its bytes with the fixups applied.
struct RawRecord {
    uint64_t offset = 0;
    std::vector<uint8_t> bytes;
};

// An image patched in memory and mounted again; records are found through its pristine layout.
class NtfsImageTest : public ::testing::Test {
protected:
    void LoadImage(const std::filesystem::path& path) {
        m_image = ReadFileBytes(path);
        m_layout = std::make_unique<PlainImageVolume>(m_image);
        ASSERT_EQ(m_layout->Open(), status::kSuccess);
    }
    const NtFs& Layout() { return dynamic_cast<const NtFs&>(*m_layout->FileSystem()); }
    Status Mount() {
        m_volume.SetImage(m_image);
        return m_volume.Open();
    }
    const DirInfo* Find(const std::string& path) { return FindPath(m_volume.Root(), path); }
    Status Copy(const std::string& path, std::vector<uint8_t>* data = nullptr) {
        const DirInfo* file = Find(path);
        if (!file) return status::kFileNotFound;
        Status result = status::kSuccess;
        auto bytes = CopyOut(*m_volume.FileSystem(), *file, result, m_scratch);
        if (data) *data = bytes;
        return result;
    }

    RawRecord Load(uint64_t n) {
        RawRecord record;
        auto place = Layout().RecordToCluster(n);
        EXPECT_TRUE(place.ok()) << "record " << n;
        if (!place.ok()) return record;
        record.offset = place->cluster * Layout().ClusterBytes() + place->byteOffset;
        auto from = m_image.begin() + static_cast<ptrdiff_t>(record.offset);
        record.bytes.assign(from, from + Layout().RecordBytes());
        if (NtFs::ApplyFixups(record.bytes, ntfs::kFileMagic) != status::kSuccess)
            record.bytes.clear();
        return record;
    }
    // Puts a record back with its update sequence redone.
    void Store(const RawRecord& record) {
        std::vector<uint8_t> bytes = record.bytes;
        uint16_t usaOffset = LoadLe<uint16_t>(bytes.data() + ntfs::kUsaOffset);
        uint16_t usaCount = LoadLe<uint16_t>(bytes.data() + ntfs::kUsaCount);
        uint16_t sequence = LoadLe<uint16_t>(bytes.data() + usaOffset);
        for (size_t i = 1; i < usaCount; ++i) {
            uint8_t* end = bytes.data() + i * ntfs::kFixupBlock - 2;
            StoreLe<uint16_t>(bytes.data() + usaOffset + 2 * i, LoadLe<uint16_t>(end));
            StoreLe<uint16_t>(end, sequence);
        }
        std::copy(bytes.begin(), bytes.end(),
                  m_image.begin() + static_cast<ptrdiff_t>(record.offset));
    }
    // The folder a record's first file name places it in.
    uint64_t Parent(uint64_t n) {
        RawRecord record = Load(n);
        size_t name = Attribute(record, ntfs::kTypeFileName);
        uint16_t value = LoadLe<uint16_t>(record.bytes.data() + name + ntfs::kAttrValueOffset);
        return LoadLe<uint64_t>(record.bytes.data() + name + value) & ntfs::kRecordNumberMask;
    }
    // The record of a file, or with levels > 0 of the folder that many levels above it.
    uint64_t Number(const std::string& path, int levels = 0) {
        const DirInfo* file = FindPath(m_layout->Root(), path);
        EXPECT_NE(file, nullptr) << path;
        uint64_t n = file ? file->firstCluster : 0;
        while (levels-- > 0) n = Parent(n);
        return n;
    }
    RawRecord Named(const std::string& path, int levels = 0) { return Load(Number(path, levels)); }
    // The unnamed attribute of type; folder indexes carry the name $I30, hence named.
    size_t Attribute(const RawRecord& record, uint32_t type, bool named = false) {
        auto at = NtFs::FindAttributeFrom(record.bytes, type, 0, !named);
        EXPECT_TRUE(at.ok());
        return at.ok() ? *at : 0;
    }

    std::vector<uint8_t> m_image;
    std::unique_ptr<PlainImageVolume> m_layout;
    PlainImageVolume m_volume;
    ScratchDir m_scratch;
};

class NtfsDamageTest : public NtfsImageTest {
protected:
    void SetUp() override { LoadImage(Unpacked("ntfs", "ntfs-1024.img")); }
};

TEST_F(NtfsDamageTest, AttributeLengthZero) {
    RunBounded([&] {
        RawRecord hello = Named("hello.txt");
        StoreLe<uint32_t>(hello.bytes.data() + Attribute(hello, 0x10) + ntfs::kAttrLength, 0);
        Store(hello);
        // The entry's own name serves; the data cannot be found.
        EXPECT_EQ(Mount(), status::kSuccess);
        EXPECT_EQ(Copy("hello.txt"), status::kFileCorrupt);

        RawRecord root = Load(ntfs::kRecordRoot);
        StoreLe<uint32_t>(root.bytes.data() + Attribute(root, 0x10) + ntfs::kAttrLength, 0);
        Store(root);
        EXPECT_EQ(Mount(), status::kFileCorrupt);
    });
}

TEST_F(NtfsDamageTest, DataAttributeFields) {
    RunBounded([&] {
        ASSERT_EQ(Mount(), status::kSuccess);
        std::vector<uint8_t> original, bytes;
        ASSERT_EQ(Copy("mid.bin", &original), status::kSuccess);
        const std::vector<uint8_t> good = m_image;
        const RawRecord mid = Named("mid.bin");
        const size_t data = Attribute(mid, ntfs::kTypeData);
        // Changes to mid.bin's data attribute (at a); the listing keeps the index copy's size.
        const std::tuple<const char*, void (*)(uint8_t*), Status> cases[] = {
            {"initialized size 1000: zeros after it",
             [](uint8_t* a) { StoreLe<uint64_t>(a + ntfs::kAttrInitializedSize, 1000); },
             status::kSuccess},
            {"top byte of the first run's offset: past the volume",
             [](uint8_t* a) {
                 uint8_t* run = a + LoadLe<uint16_t>(a + ntfs::kAttrRunListOffset);
                 run[(run[0] & 15) + (run[0] >> 4)] = 0x7F;
             },
             status::kFileCorrupt},
            {"encrypted: never read",
             [](uint8_t* a) { StoreLe<uint16_t>(a + ntfs::kAttrFlags, ntfs::kAttrFlagEncrypted); },
             status::kNotSupported},
            {"2^63 bytes, the runs too: never written",
             [](uint8_t* a) {
                 StoreLe<uint64_t>(a + ntfs::kAttrDataSize, uint64_t{1} << 63);
                 StoreLe<uint64_t>(a + ntfs::kAttrAllocatedSize, uint64_t{1} << 63);
             },
             status::kFileCorrupt},
        };
        for (const auto& [what, change, expected] : cases) {
            SCOPED_TRACE(what);
            RawRecord patched = mid;
            change(patched.bytes.data() + data);
            m_image = good;
            Store(patched);
            ASSERT_EQ(Mount(), status::kSuccess);
            EXPECT_EQ(Find("mid.bin")->size, original.size());
            EXPECT_EQ(Copy("mid.bin", &bytes), expected);
            if (expected != status::kSuccess) continue;
            ASSERT_EQ(bytes.size(), original.size());
            EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 1000, original.begin()));
            EXPECT_TRUE(
                std::all_of(bytes.begin() + 1000, bytes.end(), [](uint8_t b) { return !b; }));
        }
    });
}

TEST_F(NtfsDamageTest, FolderContainingItselfAndRecordsBeyondTheMft) {
    RunBounded([&] {
        uint64_t a = Number("docs/a/b/c/deep.txt", 3), b = Number("docs/a/b/c/deep.txt", 2);
        RawRecord record = Load(a);
        // Points a's entry for b at a itself.
        size_t entry = 0;
        for (size_t i = ntfs::kMinRecordHeader; i + 8 <= record.bytes.size() && entry == 0; ++i)
            if ((LoadLe<uint64_t>(record.bytes.data() + i) & ntfs::kRecordNumberMask) == b)
                entry = i;
        ASSERT_NE(entry, 0u);
        StoreLe<uint32_t>(record.bytes.data() + entry, static_cast<uint32_t>(a));
        Store(record);
        // Listed under the entry's name, not read again, marked; the rest of the tree is whole.
        auto damaged = [&](const std::string& path) {
            const DirInfo* dir = Find(path);
            return dir ? dir->damage : status::kFileNotFound;
        };
        EXPECT_EQ(Mount(), status::kSuccess);
        EXPECT_EQ(damaged("docs/a/b"), status::kFileCorrupt);
        EXPECT_EQ(Find("docs/a/b/c"), nullptr);
        EXPECT_EQ(damaged("docs/a"), status::kSuccess);
        EXPECT_NE(Find("many/f1999.txt"), nullptr);

        // Now beyond the MFT.
        StoreLe<uint32_t>(record.bytes.data() + entry, 0x7FFFFFF0);
        Store(record);
        EXPECT_EQ(Mount(), status::kSuccess);
        EXPECT_EQ(damaged("docs/a/b"), status::kFileCorrupt);
        EXPECT_EQ(m_volume.Tree().DamagedFolders().size(), 1u);
    });
}

TEST_F(NtfsDamageTest, BrokenFixups) {
    RunBounded([&] {
        const std::vector<uint8_t> good = m_image;
        m_image[Named("docs/readme.md", 1).offset + 510] ^= 0xFF;
        EXPECT_EQ(Mount(), status::kSuccess);
        EXPECT_NE(Find("hello.txt"), nullptr);
        EXPECT_EQ(Find("docs")->damage, status::kFileCorrupt);
        EXPECT_EQ(Find("docs/readme.md"), nullptr);

        // The first index buffer of the large folder.
        m_image = good;
        RawRecord many = Named("many/f0001.txt", 1);
        size_t allocation = Attribute(many, ntfs::kTypeIndexAllocation, true);
        size_t runs = allocation +
                      LoadLe<uint16_t>(many.bytes.data() + allocation + ntfs::kAttrRunListOffset);
        auto list =
            NtfsRunList::Decode(std::span<const uint8_t>(many.bytes).subspan(runs), UINT32_MAX);
        ASSERT_TRUE(list.ok());
        m_image[list->Runs()[0].lcn * Layout().ClusterBytes() + 1022] ^= 0x01;
        EXPECT_EQ(Mount(), status::kSuccess);
        EXPECT_NE(Find("hello.txt"), nullptr);
        EXPECT_EQ(Find("many")->damage, status::kFileCorrupt);

        // The MFT's own record.
        m_image = good;
        m_image[Layout().MftCluster() * Layout().ClusterBytes() + 510] ^= 0x01;
        EXPECT_EQ(Mount(), status::kFileCorrupt);
    });
}

TEST_F(NtfsDamageTest, IndexBuffersMarkedFreeAreSkipped) {
    RunBounded([&] {
        RawRecord many = Named("many/f0001.txt", 1);
        size_t bitmap = Attribute(many, ntfs::kTypeBitmap, true);
        // Resident on these images: clear the bit of buffer 0.
        size_t value =
            bitmap + LoadLe<uint16_t>(many.bytes.data() + bitmap + ntfs::kAttrValueOffset);
        ASSERT_EQ(many.bytes[value] & 1, 1);
        many.bytes[value] &= 0xFE;
        Store(many);
        EXPECT_EQ(Mount(), status::kSuccess);
        size_t count = FileCount(Find("many"));
        EXPECT_GT(count, 0u);
        EXPECT_LT(count, 2000u);
    });
}

TEST_F(NtfsDamageTest, BootSectorSizes) {
    RunBounded([&] {
        const std::tuple<const char*, size_t, uint8_t, Status> cases[] = {
            {"index buffer of 0 clusters", ntfs::kBootIndexBufferSize, 0, status::kFileCorrupt},
            {"record of 0 clusters", ntfs::kBootRecordSize, 0, status::kFileCorrupt},
            {"record of 2^31 bytes", ntfs::kBootRecordSize, 0xE1, status::kFileCorrupt},
            {"record of 3 clusters", ntfs::kBootRecordSize, 3, status::kFileCorrupt},
            {"index buffer as 2^12 bytes", ntfs::kBootIndexBufferSize, 0xF4, status::kSuccess},
            {"no sectors per cluster", ntfs::kBootSectorsPerCluster, 0, status::kFileCorrupt},
            {"MFT past the volume", ntfs::kBootMftCluster + 7, 0x40, status::kFileCorrupt},
        };
        const std::vector<uint8_t> good = m_image;
        for (const auto& [name, offset, value, expected] : cases) {
            m_image = good;
            m_image[offset] = value;
            EXPECT_EQ(Mount(), expected) << name;
        }
    });
}

// An image laid out as Windows leaves ordinary disks, against what the ntfs-3g mount showed.
class NtfsWindowsTest : public NtfsImageTest {
protected:
    void SetUp() override { LoadImage(Unpacked("ntfs", "ntfs-windows.img")); }
    // Sets every file-name copy of name as Windows leaves a name the file was not written through.
    void MakeStale(const std::u16string& name, uint64_t size, uint64_t fileTime) {
        std::vector<uint8_t> key;
        for (char16_t c : name) key.insert(key.end(), {uint8_t(c & 0xFF), uint8_t(c >> 8)});
        size_t patched = 0;
        for (auto it = m_image.begin();
             (it = std::search(it, m_image.end(), key.begin(), key.end())) != m_image.end(); ++it) {
            size_t value = static_cast<size_t>(it - m_image.begin()) - ntfs::kFileNameText;
            if (m_image[value + ntfs::kFileNameLength] != name.size()) continue;
            for (size_t field : {ntfs::kFileNameModified, ntfs::kFileNameDataSize})
                ASSERT_LT((value + field) % ntfs::kFixupBlock, ntfs::kFixupBlock - 10);
            StoreLe<uint64_t>(&m_image[value + ntfs::kFileNameModified], fileTime);
            StoreLe<uint64_t>(&m_image[value + ntfs::kFileNameDataSize], size);
            ++patched;
        }
        ASSERT_GE(patched, 1u);
    }
    // A folder's record: the parent its first file's record names.
    uint64_t FolderNumber(const std::string& dir) {
        return Parent(FindPath(m_layout->Root(), dir)->firstFile->firstCluster);
    }
};

TEST_F(NtfsWindowsTest, ListsAndExtractsWhatTheMountShowed) {
    RunBounded([&] {
        // Stale copies, one smaller and one larger than the data.
        MakeStale(u"stale.bin", 1000, 0);
        MakeStale(u"stale-other-name.bin", 1u << 30, 0);
        ASSERT_EQ(Mount(), status::kSuccess);
        EXPECT_TRUE(m_volume.Tree().DamagedFolders().empty());

        Listing expected;
        std::istringstream lines(ReadText(Unpacked("ntfs", "windows-listing.txt")));
        for (std::string type, size, time, path;
             lines >> type >> size >> time && lines.get() && std::getline(lines, path);) {
            expected[path] =
                Item(type == "d", std::stoull(size), DosTime::PackUnixTime(std::stoll(time)));
        }
        ASSERT_GT(expected.size(), 1800u);
        // The links carry their targets instead of the mount's listing of them.
        const DirInfo *symlink = Find("symlink.txt"), *junction = Find("junction");
        ASSERT_TRUE(symlink && junction);
        EXPECT_TRUE(symlink->IsFile() && junction->IsDirectory());
        EXPECT_EQ(symlink->linkTarget, u"links\\a\\first.txt");
        EXPECT_EQ(junction->linkTarget, u"C:\\Users\\Public");
        EXPECT_FALSE(Find("links/a/first.txt")->IsLink());
        Listing listed = ListTree(m_volume.Root());
        EXPECT_EQ(listed.erase("symlink.txt") + listed.erase("junction"), 2u);
        EXPECT_EQ(listed, expected);

        std::istringstream sums(ReadText(Unpacked("ntfs", "windows-sums.txt")));
        std::set<uint32_t> copied;
        for (std::string hash, path; sums >> hash && sums.get() && std::getline(sums, path);) {
            path.erase(0, path.find("./") + 2);
            const DirInfo* file = Find(path);
            ASSERT_NE(file, nullptr) << path;
            // The gigabyte is checked below; a file with many names is copied once.
            if (path == "sparse/gigabyte.bin" || !copied.insert(file->firstCluster).second)
                continue;
            Status result{1};
            EXPECT_EQ(Sha256Hex(CopyOut(*m_volume.FileSystem(), *file, result, m_scratch)), hash)
                << path;
            EXPECT_EQ(result, status::kSuccess) << path;
        }
    });
}

TEST_F(NtfsWindowsTest, HolesStaySparse) {
    ASSERT_EQ(Mount(), status::kSuccess);
    const std::pair<const char*, uint64_t> cases[] = {{"sparse/hole-first.bin", 64u << 10},
                                                      {"sparse/hole-middle.bin", 256u << 10},
                                                      {"packed/holes.bin", 64u << 10},
                                                      {"sparse/gigabyte.bin", 64u << 10}};
    const auto out = m_scratch / "sparse.out";
    for (const auto& [path, maxDiskBytes] : cases) {
        const DirInfo* file = Find(path);
        ASSERT_NE(file, nullptr) << path;
        File to;
        ASSERT_EQ(to.CreateReplace(out.string()), status::kSuccess);
        EXPECT_EQ(m_volume.FileSystem()->CopyFileData(file->firstCluster, to, file->size),
                  status::kSuccess)
            << path;
        to.Close();
        struct stat st {};
        ASSERT_EQ(::stat(out.c_str(), &st), 0);
        EXPECT_EQ(static_cast<uint64_t>(st.st_size), file->size) << path;
        EXPECT_LE(static_cast<uint64_t>(st.st_blocks) * 512, maxDiskBytes) << path;
    }
    // The gigabyte's 14 bytes of data sit at its end.
    File in;
    std::vector<uint8_t> tail(14);
    ASSERT_EQ(in.OpenRead(out.string()), status::kSuccess);
    ASSERT_EQ(in.ReadExactAt((1u << 30) - 14, tail), status::kSuccess);
    ASSERT_EQ(std::string(tail.begin(), tail.end()), "at the end\n:-)");
}

// Extension records that no longer belong to their file: another base, a reused record.
TEST_F(NtfsWindowsTest, ExtensionRecordsAreChecked) {
    RunBounded([&] {
        const uint64_t big = FolderNumber("big"), frag = Number("frag.bin");
        uint64_t bigExtension = 0, fragExtension = 0;
        for (uint64_t n = ntfs::kFirstUserRecord; n < Layout().RecordCount(); ++n) {
            uint64_t at = Load(n).offset;
            uint64_t base =
                LoadLe<uint64_t>(&m_image[at + ntfs::kRecordBase]) & ntfs::kRecordNumberMask;
            if (LoadLe<uint32_t>(&m_image[at]) != ntfs::kFileMagic) continue;
            if (base == big) bigExtension = at;
            if (base == frag) fragExtension = at;
        }
        ASSERT_TRUE(bigExtension != 0 && fragExtension != 0);
        StoreLe<uint32_t>(&m_image[bigExtension + ntfs::kRecordBase],
                          static_cast<uint32_t>(big + 1));
        m_image[fragExtension + ntfs::kRecordSequence] ^= 0x01;
        ASSERT_EQ(Mount(), status::kSuccess);
        EXPECT_EQ(Find("big")->damage, status::kFileCorrupt);
        EXPECT_EQ(FileCount(Find("big")), 0u);
        EXPECT_EQ(Find("links/a")->damage, status::kSuccess);
        EXPECT_EQ(Copy("frag.bin"), status::kFileCorrupt);
    });
}

// A crafted folder costs at most what the volume holds: big/'s buffers are read once, for big/.
TEST_F(NtfsWindowsTest, SharedIndexBuffersAreReadOnce) {
    auto attribute = [&](uint64_t n) {
        RawRecord record = Load(n);
        return record.offset + Attribute(record, ntfs::kTypeIndexAllocation, true);
    };
    uint64_t from = attribute(FolderNumber("big")), to = attribute(FolderNumber("links/many"));
    // Sizes and run list (both short enough to stay clear of the sector ends here).
    uint16_t runs = LoadLe<uint16_t>(&m_image[from + ntfs::kAttrRunListOffset]);
    uint32_t length = LoadLe<uint32_t>(&m_image[from + ntfs::kAttrLength]);
    ASSERT_EQ(runs, LoadLe<uint16_t>(&m_image[to + ntfs::kAttrRunListOffset]));
    ASSERT_LE(length, LoadLe<uint32_t>(&m_image[to + ntfs::kAttrLength]));
    ASSERT_LT((to % 512) + length, 510u);
    std::copy(m_image.begin() + from + ntfs::kAttrLowestVcn, m_image.begin() + from + length,
              m_image.begin() + to + ntfs::kAttrLowestVcn);

    RunBounded([&] {
        EXPECT_EQ(Mount(), status::kSuccess);
        EXPECT_EQ(FileCount(Find("big")), 300u);
        EXPECT_EQ(Find("links/many")->damage, status::kFileCorrupt);
        EXPECT_LT(FileCount(Find("links/many")), 300u);
    });
}

}  // namespace
}  // namespace lc::test
