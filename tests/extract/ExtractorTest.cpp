// The extraction core on the FAT16 fixture image through PlainImageVolume, and its walk order.

#include <sys/stat.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "FsTestUtil.h"
#include "extract/ExtractFile.h"
#include "extract/Extractor.h"
#include "extract/OutputPath.h"
#include "extract/WalkOrder.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

// SHA-256 of the source file mtools copied to path.
std::string SourceSum(const std::string& path) {
    std::ifstream in(test::FixtureDir() / "fat" / "fat16.sha256");
    for (std::string line; std::getline(in, line);)
        if (line.substr(66) == path) return line.substr(0, 64);
    return "none";
}
std::string SumOf(const fs::path& file) {
    return test::Sha256Hex(ReadFileBytes(file));
}

// A hand-linked tree, children in the order added: a folder, or a file with data's extents.
struct Tree {
    std::deque<DirInfo> records{1};
    DirInfo* root = &records.front();
    DirInfo* Add(DirInfo* parent, std::u16string name, const DirInfo* data = nullptr,
                 uint32_t attributes = 0) {
        DirInfo& r = records.emplace_back();
        r.kind = data ? DirInfo::kFile : DirInfo::kDirectory;
        r.name = std::move(name);
        r.parent = parent;
        r.attributes = attributes;
        if (data)
            std::tie(r.size, r.firstCluster, r.modified) =
                std::tie(data->size, data->firstCluster, data->modified);
        DirInfo** link = data ? &parent->firstFile : &parent->firstChild;
        while (*link != nullptr) link = data ? &(*link)->nextFile : &(*link)->nextSibling;
        return *link = &r;
    }
};

// Answers no to every replace question and records what the walk reported.
class ScriptedHooks : public ExtractHooks {
public:
    ReplaceAnswer ConfirmReplace(const std::string&) override { return ReplaceAnswer::No; }
    void ReportFolderError(const std::string&, Status) override { ++folderErrors; }
    void ReportSkippedUnsupported(const DirInfo& file, const std::string&) override {
        skipped.push_back(Utf16ToUtf8(file.name));
    }
    std::vector<std::string> skipped;
    int folderErrors = 0;
};

class ExtractorTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string image = test::Unpacked("fat", "fat16.img").string();
        ASSERT_EQ(m_volume.OpenImageFile(image), status::kSuccess);
        ASSERT_EQ(m_volume.Open(), status::kSuccess);
        m_target = (m_scratch / "target").string();
        fs::create_directories(m_target);
    }
    const DirInfo* Find(const std::string& path) const {
        return test::FindPath(m_volume.Root(), path);
    }

    PlainImageVolume m_volume;
    test::ScratchDir m_scratch;
    std::string m_target;
};

TEST_F(ExtractorTest, FailedCopiesLeaveNothingAndKeepWhatWasThere) {
    const DirInfo& real = *Find("large.bin");
    // size, first cluster: a chain too short, no cluster, a cluster past the end
    const std::pair<uint64_t, uint32_t> cases[] = {
        {real.size + 8192, real.firstCluster}, {10, 0}, {100, 0xFFFFFF0}};
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const auto& [size, firstCluster] : cases) {
        SCOPED_TRACE(size);
        DirInfo record = real;
        record.size = size;
        record.firstCluster = firstCluster;
        const std::string out = m_target + "/broken.bin";
        EXPECT_EQ(ExtractFile(m_volume, record, out), status::kFileCorrupt);
        EXPECT_FALSE(fs::exists(fs::symlink_status(out)));
        // A file standing there keeps its bytes: the copy was never written under its name.
        test::WriteFileBytes(out, old);
        EXPECT_EQ(ExtractFile(m_volume, record, out), status::kFileCorrupt);
        EXPECT_EQ(ReadFileBytes(out), old);
        // No copy cut short and no temporary file beside it.
        EXPECT_EQ(std::distance(fs::directory_iterator(m_target), {}), 1);
        fs::remove(out);
    }
}

TEST_F(ExtractorTest, ReadOnlyFileUndatedRecordAndFolderLink) {
    const DirInfo& file = *Find("readme.txt");
    const std::string out = m_target + "/readme.txt";
    test::WriteFileBytes(out, {'v', 'i', 'e', 'w'});
    ASSERT_EQ(::chmod(out.c_str(), 0444), 0);
    ASSERT_EQ(ExtractFile(m_volume, file, out), status::kSuccess);
    EXPECT_EQ(SumOf(out), SourceSum("readme.txt"));
    // A time that is no date (month 0) leaves the time of creation.
    DirInfo undated = file;
    undated.modified = 0;
    const time_t before = ::time(nullptr);
    ASSERT_EQ(ExtractFile(m_volume, undated, out), status::kSuccess);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_GE(st.st_mtime, before - 5);

    // A link standing where the walk wants a folder is not followed.
    fs::create_directories(m_scratch / "outside");
    fs::create_directory_symlink(m_scratch / "outside", fs::path(m_target) / "frag");
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks);
    EXPECT_EQ(extractor.ExtractDirectory(*Find("frag"), m_target), status::kFileExists);
    EXPECT_TRUE(fs::is_empty(m_scratch / "outside"));
    EXPECT_EQ(hooks.folderErrors, 1);
}

TEST_F(ExtractorTest, HostileNamesStayInsideTheTarget) {
    const DirInfo* data = Find("readme.txt");
    const std::string sum = SourceSum("readme.txt");
    // name, written as; too long (above 255 bytes as UTF-8): shortened, the extension kept.
    const std::pair<std::u16string, std::string> cases[] = {
        {u"../x", ".._x"},
        {u".", "_"},
        {u"..", "__"},
        {u"", "_"},
        {std::u16string(u"nul\0by/te", 9), "nul_by_te"},
        {std::u16string(256, u'x'), std::string(253, 'x') + "~1"},
        {std::u16string(128, u'ä') + u".txt", Utf16ToUtf8(std::u16string(124, u'ä')) + "~1.txt"},
        {std::u16string(255, u'中') + u".doc", Utf16ToUtf8(std::u16string(83, u'中')) + "~1.doc"},
    };
    for (const auto& [name, written] : cases) {
        SCOPED_TRACE(written.substr(0, 12));
        ASSERT_LE(written.size(), kMaxNameBytes);
        // The same name as a file and as a folder holding a file.
        Tree t;
        DirInfo *file = t.Add(t.root, name, data), *folder = t.Add(t.root, name);
        t.Add(folder, u"inner.txt", data);
        const fs::path base = fs::path(m_target) / "case";
        fs::remove_all(base);
        fs::create_directories(base / "f");
        fs::create_directories(base / "d");
        ScriptedHooks hooks;
        Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
        EXPECT_EQ(extractor.ExtractOneFile(*file, (base / "f").string()), status::kSuccess);
        EXPECT_EQ(extractor.ExtractDirectory(*folder, (base / "d").string()), status::kSuccess);
        EXPECT_EQ(SumOf(base / "f" / written), sum);
        EXPECT_EQ(SumOf(base / "d" / written / "inner.txt"), sum);
    }
    // Long names alike in their first 253 bytes stay apart; their long-named folder is made once.
    Tree t;
    DirInfo* folder = t.Add(t.root, std::u16string(300, u'z'));
    const DirInfo* items[] = {t.Add(folder, std::u16string(300, u'y') + u"a", data),
                              t.Add(folder, std::u16string(300, u'y') + u"b", data)};
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
    EXPECT_EQ(extractor.ExtractItemsKeepingPaths(items, m_target + "/pair"), status::kSuccess);
    const std::string dir = m_target + "/pair/" + std::string(253, 'z') + "~1/";
    for (const char* suffix : {"~1", "~2"})
        EXPECT_TRUE(fs::exists(dir + std::string(253, 'y') + suffix));
    EXPECT_EQ(std::distance(fs::directory_iterator(m_target + "/pair"), {}), 1);
    // Nothing at all outside the target folder.
    for (auto& e : fs::recursive_directory_iterator(m_scratch.path()))
        EXPECT_EQ(fs::relative(e.path(), m_scratch.path()).string().rfind("target", 0), 0u);

    std::string deep = m_target, path;
    while (deep.size() < kMaxPathBytes - 20) deep += "/" + std::string(200, 'p');
    EXPECT_EQ(JoinOutputPath(deep, u"a-name-of-thirty-characters.txt", path),
              status::kFilenameTooLong);
}

TEST_F(ExtractorTest, EncryptedFilesAndLinksAreNeverWrittenCompressedOnesAre) {
    Tree t;
    DirInfo* folder = t.Add(t.root, u"mixed");
    t.Add(folder, u"link.txt", Find("notes.TXT"))->linkTarget = u"..\\outside";
    const DirInfo* encrypted =
        t.Add(folder, u"encrypted.bin", Find("onecluster.bin"), kAttrEncrypted);
    const DirInfo* compressed =
        t.Add(folder, u"compressed.bin", Find("readme.txt"), kAttrCompressed);
    t.Add(folder, u"first.txt", Find("first.txt"));
    DirInfo* junction = t.Add(folder, u"junction");
    junction->linkTarget = u"C:\\Windows";
    t.Add(junction, u"never.txt", Find("first.txt"));

    ScriptedHooks hooks;
    const DirInfo* items[] = {compressed, folder};
    Extractor extractor(m_volume, hooks);
    EXPECT_EQ(extractor.ExtractItems(items, m_target), status::kSuccess);
    EXPECT_EQ(hooks.skipped, (std::vector<std::string>{"encrypted.bin"}));
    EXPECT_EQ(extractor.Counts().links, 2u);
    EXPECT_EQ(SumOf(m_target + "/mixed/first.txt"), SourceSum("first.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_target + "/mixed/junction")));
    EXPECT_EQ(ExtractFile(m_volume, *encrypted, m_target + "/direct.bin"), status::kNotSupported);
    size_t written = 0;
    for (auto& e : fs::recursive_directory_iterator(m_target)) written += e.is_regular_file();
    EXPECT_EQ(written, 3u);
}

// The look before an extraction meets unsupported files in walk order, only where the walk goes.
TEST(WalkOrderTest, FirstUnsupportedFileFollowsTheWalk) {
    // root: plain, locked; x/ (y/ (deep), late); z/ (inner)
    const DirInfo data;
    Tree t;
    DirInfo* plain = t.Add(t.root, u"plain", &data);
    DirInfo* locked = t.Add(t.root, u"locked", &data, kAttrEncrypted);
    DirInfo* x = t.Add(t.root, u"x");
    DirInfo* y = t.Add(x, u"y");
    DirInfo* deep = t.Add(y, u"deep", &data, kAttrEncrypted);
    DirInfo* late = t.Add(x, u"late", &data, kAttrEncrypted);  // added after y, met before it
    DirInfo* z = t.Add(t.root, u"z");
    DirInfo* inner = t.Add(z, u"inner", &data, kAttrEncrypted);

    // items, descend, expected
    const std::tuple<std::vector<const DirInfo*>, bool, const DirInfo*> cases[] = {
        {{plain}, true, nullptr},
        {{plain, locked}, false, locked},
        {{x}, false, nullptr},
        {{x}, true, late},
        {{y}, true, deep},
        {{z, x}, true, inner},
        {{plain, x, locked}, true, late},
        {{t.root}, true, locked},
    };
    for (const auto& [items, descend, expected] : cases)
        EXPECT_EQ(FirstUnsupportedFile(items, descend), expected) << items.size() << descend;
}

}  // namespace
}  // namespace lc
