// The extraction core on a FAT16 image made with mkfs.fat and mtools, through PlainImageVolume.

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "extract/ExtractFile.h"
#include "extract/Extractor.h"
#include "extract/OutputPath.h"
#include "fs/PlainImageVolume.h"
#include "platform/Text.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;

constexpr size_t kFolder = SIZE_MAX;
// Written in this order: folders hold their entries in directory order.
constexpr std::pair<const char*, size_t> kTree[] = {
    {"top.txt", 10},         {"page.bin", 4096},          {"docs", kFolder},
    {"docs/a.txt", 1000},    {"docs/b.txt", 70000},       {"docs/sub", kFolder},
    {"docs/sub/c.txt", 513}, {"docs/sub/inner", kFolder}, {"docs/other", kFolder},
    {"docs/other/d.txt", 0}};

size_t IndexOf(const std::string& path) {
    return std::find_if(std::begin(kTree), std::end(kTree),
                        [&](const auto& item) { return item.first == path; }) -
           std::begin(kTree);
}
std::vector<uint8_t> Source(const std::string& path) {
    std::mt19937 random(static_cast<uint32_t>(IndexOf(path)));
    std::vector<uint8_t> data(kTree[IndexOf(path)].second);
    for (auto& b : data) b = static_cast<uint8_t>(random());
    return data;
}
// Midday in Europe, even seconds: FAT keeps them exactly.
time_t SourceTime(const std::string& path) {
    return 1600000000 + 86402 * IndexOf(path);
}

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
    static void SetUpTestSuite() {
        s_dir = new test::ScratchDir;
        const std::string image = (*s_dir / "fat16.img").string(),
                          source = (*s_dir / "src").string();
        auto run = [](const std::vector<std::string>& argv) {
            test::RunResult r = test::Run(argv, {}, {"MTOOLS_SKIP_CHECK=1"});
            ASSERT_EQ(r.exitCode, 0) << argv[0] << ": " << r.err;
        };
        run({"mkfs.fat", "-C", "-F", "16", "-s", "1", image, "6000"});
        for (const auto& [path, size] : kTree) {
            if (size == kFolder) {
                run({"mmd", "-i", image, std::string("::/") + path});
                continue;
            }
            test::WriteFileBytes(source, Source(path));
            const timespec times[2] = {{SourceTime(path), 0}, {SourceTime(path), 0}};
            ASSERT_EQ(::utimensat(AT_FDCWD, source.c_str(), times, 0), 0);
            run({"mcopy", "-m", "-i", image, source, std::string("::/") + path});
        }
    }
    static void TearDownTestSuite() { delete s_dir; }

    void SetUp() override {
        ASSERT_EQ(m_volume.OpenImageFile((*s_dir / "fat16.img").string()), status::kSuccess);
        ASSERT_EQ(m_volume.Open(), status::kSuccess);
        m_target = (m_scratch / "target").string();
        fs::create_directories(m_target);
    }

    // Names are unique in the image: the record of the path's last name, anywhere in the tree.
    static const DirInfo* Find(const DirInfo* folder, const std::u16string& name) {
        const DirInfo* found = nullptr;
        for (const DirInfo* f = folder->firstFile; f && !found; f = f->nextFile)
            if (f->name == name) found = f;
        for (const DirInfo* d = folder->firstChild; d && !found; d = d->nextSibling)
            found = d->name == name ? d : Find(d, name);
        return found;
    }
    const DirInfo* Find(const std::string& path) const {
        return Find(m_volume.Root(), Utf8ToUtf16(fs::path(path).filename().string()));
    }

    static inline test::ScratchDir* s_dir = nullptr;
    PlainImageVolume m_volume;
    test::ScratchDir m_scratch;
    std::string m_target;
};

TEST_F(ExtractorTest, FailedCopiesLeaveNothingAndKeepWhatWasThere) {
    const DirInfo& real = *Find("docs/b.txt");
    // size, first cluster: a chain too short, no cluster, a cluster past the end
    const std::pair<uint64_t, uint32_t> cases[] = {
        {real.size + 5000, real.firstCluster}, {10, 0}, {100, 0xFFFFFF0}};
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const auto& [size, firstCluster] : cases) {
        SCOPED_TRACE(size);
        DirInfo record = real;
        record.name = u"broken.bin";
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
    const DirInfo& file = *Find("top.txt");
    const std::string out = m_target + "/top.txt";
    test::WriteFileBytes(out, {'v', 'i', 'e', 'w'});
    ASSERT_EQ(::chmod(out.c_str(), 0444), 0);
    ASSERT_EQ(ExtractFile(m_volume, file, out), status::kSuccess);
    EXPECT_EQ(ReadFileBytes(out), Source("top.txt"));
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
    fs::create_directory_symlink(m_scratch / "outside", fs::path(m_target) / "docs");
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks);
    EXPECT_EQ(extractor.ExtractDirectory(*Find("docs"), m_target), status::kFileExists);
    EXPECT_TRUE(fs::is_empty(m_scratch / "outside"));
    EXPECT_EQ(hooks.folderErrors, 1);
}

TEST_F(ExtractorTest, HostileNamesStayInsideTheTarget) {
    const DirInfo& data = *Find("top.txt");
    auto repeat = [](const std::string& unit, int n) {
        std::string out;
        while (n-- > 0) out += unit;
        return out;
    };
    // name, written as; too long (above 255 bytes as UTF-8): shortened, the extension kept.
    const std::pair<std::u16string, std::string> cases[] = {
        {u"../x", ".._x"},
        {u".", "_"},
        {u"..", "__"},
        {u"", "_"},
        {std::u16string(u"nul\0by/te", 9), "nul_by_te"},
        {std::u16string(256, u'x'), std::string(253, 'x') + "~1"},
        {std::u16string(128, u'ä') + u".txt", repeat("ä", 124) + "~1.txt"},
        {std::u16string(255, u'中') + u".doc", repeat("中", 83) + "~1.doc"},
    };
    for (const auto& [name, written] : cases) {
        SCOPED_TRACE(written.substr(0, 12));
        ASSERT_LE(written.size(), kMaxNameBytes);
        // The same name as a file and as a folder holding a file.
        DirInfo file = data, folder, inner = data;
        file.name = folder.name = name;
        folder.kind = DirInfo::kDirectory;
        inner.name = u"inner.txt";
        inner.parent = &folder;
        folder.firstFile = &inner;
        const fs::path base = fs::path(m_target) / "case";
        fs::remove_all(base);
        fs::create_directories(base / "f");
        fs::create_directories(base / "d");
        ScriptedHooks hooks;
        Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
        EXPECT_EQ(extractor.ExtractOneFile(file, (base / "f").string()), status::kSuccess);
        EXPECT_EQ(extractor.ExtractDirectory(folder, (base / "d").string()), status::kSuccess);
        EXPECT_EQ(ReadFileBytes(base / "f" / written), Source("top.txt"));
        EXPECT_EQ(ReadFileBytes(base / "d" / written / "inner.txt"), Source("top.txt"));
    }
    // Long names alike in their first 253 bytes stay apart; their long-named folder is made once.
    {
        DirInfo root, folder, a = data, b = data;
        root.kind = folder.kind = DirInfo::kDirectory;
        folder.name = std::u16string(300, u'z');
        folder.parent = &root;
        folder.firstFile = &a;
        a.nextFile = &b;
        b.nextFile = nullptr;
        a.parent = b.parent = &folder;
        a.name = std::u16string(300, u'y') + u"a";
        b.name = std::u16string(300, u'y') + u"b";
        ScriptedHooks hooks;
        Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
        const DirInfo* items[] = {&a, &b};
        EXPECT_EQ(extractor.ExtractItemsKeepingPaths(items, m_target + "/pair"), status::kSuccess);
        const std::string dir = m_target + "/pair/" + std::string(253, 'z') + "~1/";
        for (const char* suffix : {"~1", "~2"})
            EXPECT_TRUE(fs::exists(dir + std::string(253, 'y') + suffix));
        EXPECT_EQ(std::distance(fs::directory_iterator(m_target + "/pair"), {}), 1);
    }
    // Nothing at all outside the target folder.
    for (auto& e : fs::recursive_directory_iterator(m_scratch.path()))
        EXPECT_EQ(fs::relative(e.path(), m_scratch.path()).string().rfind("target", 0), 0u);

    std::string deep = m_target, path;
    while (deep.size() < kMaxPathBytes - 20) deep += "/" + std::string(200, 'p');
    EXPECT_EQ(JoinOutputPath(deep, u"a-name-of-thirty-characters.txt", path),
              status::kFilenameTooLong);
}

TEST_F(ExtractorTest, EncryptedFilesAndLinksAreNeverWrittenCompressedOnesAre) {
    DirInfo folder, encrypted = *Find("page.bin"), compressed = *Find("top.txt"),
                    plain = *Find("docs/a.txt"), link = *Find("docs/b.txt"), junction;
    folder.kind = junction.kind = DirInfo::kDirectory;
    folder.name = u"mixed";
    folder.firstFile = &link;
    folder.firstChild = &junction;
    link.name = u"link.txt";
    link.linkTarget = u"..\\outside";
    link.nextFile = &encrypted;
    junction.name = u"junction";
    junction.linkTarget = u"C:\\Windows";
    junction.firstFile = &plain;  // never walked
    encrypted.name = u"encrypted.bin";
    encrypted.attributes |= kAttrEncrypted;
    encrypted.nextFile = &compressed;
    compressed.name = u"compressed.bin";
    compressed.attributes |= kAttrCompressed;
    compressed.nextFile = &plain;
    plain.nextFile = nullptr;

    ScriptedHooks hooks;
    const DirInfo* items[] = {&compressed, &folder};
    Extractor extractor(m_volume, hooks);
    EXPECT_EQ(extractor.ExtractItems(items, m_target), status::kSuccess);
    EXPECT_EQ(hooks.skipped, (std::vector<std::string>{"encrypted.bin"}));
    EXPECT_EQ(extractor.Counts().links, 2u);
    EXPECT_EQ(ReadFileBytes(m_target + "/mixed/a.txt"), Source("docs/a.txt"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(m_target + "/mixed/junction")));
    EXPECT_EQ(ExtractFile(m_volume, encrypted, m_target + "/direct.bin"), status::kNotSupported);
    size_t written = 0;
    for (auto& e : fs::recursive_directory_iterator(m_target)) written += e.is_regular_file();
    EXPECT_EQ(written, 3u);
}

TEST_F(ExtractorTest, FilesOnlySelectionPassesOverFolders) {
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks, ExtractOptions{true, true});
    const DirInfo* items[] = {Find("docs"), Find("top.txt")};
    const std::string target = m_target + "/new/levels";
    EXPECT_EQ(extractor.ExtractItems(items, target), status::kSuccess);
    EXPECT_TRUE(fs::exists(target + "/top.txt"));
    EXPECT_FALSE(fs::exists(target + "/docs"));
}

}  // namespace
}  // namespace lc
