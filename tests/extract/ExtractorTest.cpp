// The extraction core on a real FAT16 image read through PlainImageVolume: the folder walk and
// its order, replace answers, failures that must leave nothing, links and read-only files at the
// output path, names that try to leave the target, and files that must never be written raw.

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "FatImageBuilder.h"
#include "TestSupport.h"
#include "extract/ExtractFile.h"
#include "extract/Extractor.h"
#include "extract/OutputPath.h"
#include "fs/PlainImageVolume.h"
#include "platform/Text.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::FatImageBuilder;
using test::LocalTime;
using test::PatternBytes;
using test::ReadFileBytes;

// Answers the replace question from a script and records what the walk reported.
class ScriptedHooks : public ExtractHooks {
public:
    explicit ScriptedHooks(std::vector<ReplaceAnswer> answers = {})
        : m_answers(std::move(answers)) {}

    ReplaceAnswer ConfirmReplace(const std::string& path) override {
        asked.push_back(path);
        if (m_next < m_answers.size()) return m_answers[m_next++];
        return ReplaceAnswer::No;
    }
    void ShowExtractStatus(const std::string& path) override { shown.push_back(path); }
    void ReportFileError(const DirInfo& file, const std::string&, Status code) override {
        fileErrors.emplace_back(Utf16ToUtf8(file.name), code);
    }
    void ReportFolderError(const std::string& path, Status code) override {
        folderErrors.emplace_back(path, code);
    }
    void ReportSkippedUnsupported(const DirInfo& file, const std::string&) override {
        skipped.push_back(Utf16ToUtf8(file.name));
    }

    std::vector<std::string> asked, shown, skipped;
    std::vector<std::pair<std::string, Status>> fileErrors, folderErrors;

private:
    std::vector<ReplaceAnswer> m_answers;
    size_t m_next = 0;
};

class ExtractorTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new test::ScratchDir;
        s_builder = new FatImageBuilder(s_dir->path() / "image", 16, 1, 6000);
        FatImageBuilder& b = *s_builder;
        b.AddFile("top.txt", PatternBytes(10, 1), LocalTime(2024, 3, 1, 14, 22, 8));
        b.AddFile("page.bin", PatternBytes(4096, 2), LocalTime(2023, 8, 1, 23, 59, 58));
        b.AddFolder("docs");
        b.AddFile("docs/a.txt", PatternBytes(1000, 3), LocalTime(2022, 1, 2, 3, 4, 6));
        b.AddFile("docs/b.txt", PatternBytes(70000, 4), LocalTime(2022, 6, 2, 3, 4, 6));
        b.AddFolder("docs/sub");
        b.AddFile("docs/sub/c.txt", PatternBytes(513, 5), LocalTime(2021, 12, 31, 23, 0, 0));
        b.AddFolder("docs/sub/inner");
        b.AddFolder("docs/other");
        b.AddFile("docs/other/d.txt", {}, LocalTime(2020, 2, 29, 12, 0, 0));
    }
    static void TearDownTestSuite() {
        delete s_builder;
        delete s_dir;
    }

    void SetUp() override {
        ASSERT_EQ(m_volume.OpenImageFile(s_builder->Image().string()), 0u);
        ASSERT_EQ(m_volume.Open(), 0u);
        m_target = (m_scratch.path() / "target").string();
        fs::create_directories(m_target);
    }

    const DirInfo* Find(const std::u16string& path) const {
        const DirInfo* current = m_volume.Root();
        size_t start = 0;
        while (current != nullptr && start < path.size()) {
            size_t end = path.find(u'/', start);
            if (end == std::u16string::npos) end = path.size();
            const std::u16string name = path.substr(start, end - start);
            const DirInfo* next = nullptr;
            for (const DirInfo* d = current->firstChild; d && !next; d = d->nextSibling)
                if (d->name == name) next = d;
            for (const DirInfo* f = current->firstFile; f && !next; f = f->nextFile)
                if (f->name == name) next = f;
            current = next;
            start = end + 1;
        }
        return current;
    }
    const std::vector<uint8_t>& Source(const std::string& path) const {
        return s_builder->Entries().at(path).data;
    }
    // Everything under the scratch folder, to prove that nothing lands outside the target.
    std::vector<std::string> AllPaths() const {
        std::vector<std::string> out;
        for (auto& e : fs::recursive_directory_iterator(m_scratch.path()))
            out.push_back(fs::relative(e.path(), m_scratch.path()).string());
        std::sort(out.begin(), out.end());
        return out;
    }

    static test::ScratchDir* s_dir;
    static FatImageBuilder* s_builder;
    PlainImageVolume m_volume;
    test::ScratchDir m_scratch;
    std::string m_target;
};

test::ScratchDir* ExtractorTest::s_dir = nullptr;
FatImageBuilder* ExtractorTest::s_builder = nullptr;

TEST_F(ExtractorTest, FolderTreeIsReproducedWithTimesFilesBeforeSubfolders) {
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks);
    const DirInfo* items[] = {Find(u"docs"), Find(u"top.txt"), Find(u"page.bin")};
    ASSERT_EQ(extractor.ExtractItems(items, m_target), 0u);

    for (const auto& [path, entry] : s_builder->Entries()) {
        const fs::path out = fs::path(m_target) / path;
        if (entry.directory) {
            EXPECT_TRUE(fs::is_directory(out)) << path;
            continue;
        }
        EXPECT_EQ(ReadFileBytes(out), entry.data) << path;
        struct stat st {};
        ASSERT_EQ(::stat(out.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mtime, entry.mtime) << path;
    }
    EXPECT_TRUE(fs::is_directory(fs::path(m_target) / "docs/sub/inner"));

    // In the status sequence every folder's files come before any of its subfolders.
    auto pos = [&](const std::string& rel) {
        auto it = std::find(hooks.shown.begin(), hooks.shown.end(), m_target + "/" + rel);
        EXPECT_NE(it, hooks.shown.end()) << rel;
        return it - hooks.shown.begin();
    };
    for (const char* file : {"docs/a.txt", "docs/b.txt"}) {
        EXPECT_GT(pos(file), pos("docs"));
        EXPECT_LT(pos(file), pos("docs/sub"));
        EXPECT_LT(pos(file), pos("docs/other"));
    }
    EXPECT_LT(pos("docs/sub/c.txt"), pos("docs/sub/inner"));
    EXPECT_LT(pos("docs/sub"), pos("docs/other"));  // subfolders in directory order
    EXPECT_TRUE(hooks.asked.empty());
    EXPECT_TRUE(hooks.fileErrors.empty());
}

TEST_F(ExtractorTest, ReplaceAnswersDecideWhatIsWritten) {
    struct Case {
        const char* name;
        std::vector<ReplaceAnswer> answers;
        Status result;
        size_t asked;
        bool aReplaced, bReplaced, cWritten;
    };
    // docs holds a.txt and b.txt (both present already) and sub/c.txt (not present).
    const Case cases[] = {
        {"Yes", {ReplaceAnswer::Yes, ReplaceAnswer::Yes}, 0, 2, true, true, true},
        {"YesToAll", {ReplaceAnswer::YesToAll}, 0, 1, true, true, true},
        {"No", {ReplaceAnswer::No, ReplaceAnswer::No}, 0, 2, false, false, true},
        // The tree holds a folder's files in reverse directory order: b.txt is asked first.
        {"NoThenYes", {ReplaceAnswer::No, ReplaceAnswer::Yes}, 0, 2, true, false, true},
        {"Cancel", {ReplaceAnswer::Cancel}, status::kCancelled, 1, false, false, false},
    };
    const std::vector<uint8_t> mine = {'m', 'i', 'n', 'e'};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path folder = fs::path(m_target) / c.name;
        fs::create_directories(folder / "docs");
        test::WriteFileBytes(folder / "docs/a.txt", mine);
        test::WriteFileBytes(folder / "docs/b.txt", mine);
        ScriptedHooks hooks(c.answers);
        Extractor extractor(m_volume, hooks);
        EXPECT_EQ(extractor.ExtractDirectory(*Find(u"docs"), folder.string()), c.result);
        EXPECT_EQ(hooks.asked.size(), c.asked);
        const bool aReplaced = ReadFileBytes(folder / "docs/a.txt") != mine;
        const bool bReplaced = ReadFileBytes(folder / "docs/b.txt") != mine;
        EXPECT_EQ(aReplaced, c.aReplaced);
        EXPECT_EQ(bReplaced, c.bReplaced);
        EXPECT_EQ(fs::exists(folder / "docs/sub/c.txt"), c.cWritten);
        if (aReplaced) {
            EXPECT_EQ(ReadFileBytes(folder / "docs/a.txt"), Source("docs/a.txt"));
        }
    }
    // Without the ask flag nothing is asked and everything is replaced.
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
    EXPECT_EQ(extractor.ExtractDirectory(*Find(u"docs"), (fs::path(m_target) / "No").string()), 0u);
    EXPECT_TRUE(hooks.asked.empty());
    EXPECT_EQ(ReadFileBytes(fs::path(m_target) / "No/docs/a.txt"), Source("docs/a.txt"));
}

TEST_F(ExtractorTest, FailedCopiesLeaveNoFile) {
    const DirInfo& real = *Find(u"docs/b.txt");
    struct Case {
        const char* name;
        uint64_t size;
        uint32_t firstCluster;
    };
    const Case cases[] = {
        {"longer than its chain", real.size + 5000, real.firstCluster},
        {"size without a cluster", 10, 0},
        {"size with cluster 1", 70000, 1},
        {"cluster past the end", 100, 0xFFFFFF0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DirInfo record = real;
        record.name = u"broken.bin";
        record.size = c.size;
        record.firstCluster = c.firstCluster;
        const std::string out = m_target + "/broken.bin";
        // Also when a file was there before: the failed copy replaced it, so it goes.
        test::WriteFileBytes(out, {'o', 'l', 'd'});
        EXPECT_NE(ExtractFile(m_volume, record, out), 0u);
        EXPECT_FALSE(fs::exists(fs::symlink_status(out))) << out;

        ScriptedHooks hooks;
        Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
        EXPECT_NE(extractor.ExtractOneFile(record, m_target), 0u);
        ASSERT_EQ(hooks.fileErrors.size(), 1u);
        EXPECT_EQ(hooks.fileErrors[0].first, "broken.bin");
        EXPECT_FALSE(fs::exists(out));
    }
    // A size that the chain does not reach is the corrupt-file status.
    DirInfo shortRecord = real;
    shortRecord.size = real.size + 5000;
    EXPECT_EQ(ExtractFile(m_volume, shortRecord, m_target + "/short"), status::kFileCorrupt);
}

TEST_F(ExtractorTest, ReadOnlyFileAndLinkAtTheOutputPathAreReplaced) {
    const DirInfo& file = *Find(u"top.txt");
    const std::string out = m_target + "/top.txt";
    test::WriteFileBytes(out, {'v', 'i', 'e', 'w'});
    ASSERT_EQ(::chmod(out.c_str(), 0444), 0);
    ASSERT_EQ(ExtractFile(m_volume, file, out), 0u);
    EXPECT_EQ(ReadFileBytes(out), Source("top.txt"));

    // A link at the path is replaced by the file; what it pointed to stays as it was.
    const fs::path victim = m_scratch.path() / "victim.txt";
    test::WriteFileBytes(victim, {'k', 'e', 'e', 'p'});
    const std::string linked = m_target + "/linked.txt";
    fs::create_symlink(victim, linked);
    ASSERT_EQ(ExtractFile(m_volume, file, linked), 0u);
    EXPECT_FALSE(fs::is_symlink(linked));
    EXPECT_EQ(ReadFileBytes(linked), Source("top.txt"));
    EXPECT_EQ(ReadFileBytes(victim), (std::vector<uint8_t>{'k', 'e', 'e', 'p'}));

    // A link standing where the walk wants a folder is not followed.
    const fs::path outside = m_scratch.path() / "outside";
    fs::create_directories(outside);
    fs::create_directory_symlink(outside, fs::path(m_target) / "docs");
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks);
    EXPECT_EQ(extractor.ExtractDirectory(*Find(u"docs"), m_target), status::kFileExists);
    EXPECT_TRUE(fs::is_empty(outside));
    ASSERT_EQ(hooks.folderErrors.size(), 1u);
}

TEST_F(ExtractorTest, HostileNamesStayInsideTheTarget) {
    const DirInfo& data = *Find(u"top.txt");
    struct Case {
        std::u16string name;
        const char* written;  // null: refused with 206
    };
    const Case cases[] = {
        {u"../x", ".._x"},
        {u"a/b", "a_b"},
        {u".", "_"},
        {u"..", "__"},
        {u"", "_"},
        {std::u16string(u"nul\0byte", 8), "nul_byte"},
        {u"/etc/passwd", "_etc_passwd"},
        {std::u16string(256, u'x'), nullptr},
        {std::u16string(128, u'ä'), nullptr},  // 128 UTF-16 units but 256 bytes as UTF-8
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written ? c.written : "too long");
        // The same name as a file and as a folder holding a file.
        DirInfo file = data;
        file.name = c.name;
        DirInfo folder;
        folder.kind = DirInfo::kDirectory;
        folder.name = c.name;
        DirInfo inner = data;
        inner.name = u"inner.txt";
        inner.parent = &folder;
        folder.firstFile = &inner;

        const fs::path base = fs::path(m_target) / "case";
        fs::remove_all(base);
        fs::create_directories(base / "f");
        fs::create_directories(base / "d");
        ScriptedHooks hooks;
        Extractor extractor(m_volume, hooks, ExtractOptions{false, false});
        const Status fileResult = extractor.ExtractOneFile(file, (base / "f").string());
        const Status folderResult = extractor.ExtractDirectory(folder, (base / "d").string());
        if (c.written == nullptr) {
            EXPECT_EQ(fileResult, status::kFilenameTooLong);
            EXPECT_EQ(folderResult, status::kFilenameTooLong);
            EXPECT_TRUE(fs::is_empty(base / "f"));
            EXPECT_TRUE(fs::is_empty(base / "d"));
        } else {
            EXPECT_EQ(fileResult, 0u);
            EXPECT_EQ(folderResult, 0u);
            EXPECT_EQ(ReadFileBytes(base / "f" / c.written), Source("top.txt"));
            EXPECT_EQ(ReadFileBytes(base / "d" / c.written / "inner.txt"), Source("top.txt"));
        }
    }
    // Nothing at all outside the target folder.
    for (const auto& p : AllPaths()) EXPECT_EQ(p.rfind("target", 0), 0u) << p;
}

TEST_F(ExtractorTest, OverlongPathIsRefused) {
    std::string deep = m_target;
    while (deep.size() < kMaxPathBytes - 20) deep += "/" + std::string(200, 'p');
    std::string path;
    EXPECT_EQ(JoinOutputPath(deep, u"a-name-of-thirty-characters.txt", path),
              status::kFilenameTooLong);
    EXPECT_EQ(JoinOutputPath(m_target, u"fine.txt", path), 0u);
    EXPECT_EQ(path, m_target + "/fine.txt");
}

TEST_F(ExtractorTest, CompressedAndEncryptedFilesAreNeverWritten) {
    DirInfo compressed = *Find(u"top.txt");
    compressed.name = u"compressed.bin";
    compressed.attributes |= kAttrCompressed;
    DirInfo encrypted = *Find(u"page.bin");
    encrypted.name = u"encrypted.bin";
    encrypted.attributes |= kAttrEncrypted;
    DirInfo plain = *Find(u"docs/a.txt");
    plain.nextFile = nullptr;
    compressed.nextFile = &plain;
    encrypted.nextFile = &compressed;
    DirInfo folder;
    folder.kind = DirInfo::kDirectory;
    folder.name = u"mixed";
    folder.firstFile = &encrypted;

    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks);
    const DirInfo* items[] = {&compressed, &folder};
    EXPECT_EQ(extractor.ExtractItems(items, m_target), 0u);
    EXPECT_FALSE(fs::exists(m_target + "/compressed.bin"));
    EXPECT_FALSE(fs::exists(m_target + "/mixed/compressed.bin"));
    EXPECT_FALSE(fs::exists(m_target + "/mixed/encrypted.bin"));
    EXPECT_EQ(ReadFileBytes(m_target + "/mixed/a.txt"), Source("docs/a.txt"));
    EXPECT_EQ(hooks.skipped,
              (std::vector<std::string>{"compressed.bin", "encrypted.bin", "compressed.bin"}));
    EXPECT_EQ(ExtractFile(m_volume, encrypted, m_target + "/direct.bin"), status::kNotSupported);
    EXPECT_FALSE(fs::exists(m_target + "/direct.bin"));
}

TEST_F(ExtractorTest, InvalidDateLeavesTheCreationTime) {
    DirInfo record = *Find(u"top.txt");
    record.modified = 0;  // month 0
    const std::string out = m_target + "/undated.txt";
    const time_t before = ::time(nullptr);
    ASSERT_EQ(ExtractFile(m_volume, record, out), 0u);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_GE(st.st_mtime, before - 5);
}

TEST_F(ExtractorTest, FilesOnlySelectionPassesOverFolders) {
    ScriptedHooks hooks;
    Extractor extractor(m_volume, hooks, ExtractOptions{true, true});
    const DirInfo* items[] = {Find(u"docs"), Find(u"top.txt")};
    const std::string target = m_target + "/new/levels";
    EXPECT_EQ(extractor.ExtractItems(items, target), 0u);
    EXPECT_TRUE(fs::exists(target + "/top.txt"));
    EXPECT_FALSE(fs::exists(target + "/docs"));
}

}  // namespace
}  // namespace lc
