#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "platform/FileNameCodec.h"
#include "support/Dod.h"
#include "support/TempFolders.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

class RecordingSink : public CleanupStatusSink {
public:
    void SetStatusText(const std::string& text) override { texts.push_back(text); }
    std::vector<std::string> texts;
};

// Notes which folders exist when each file is wiped.
class WipeOrder : public WipePassObserver {
public:
    explicit WipeOrder(std::vector<fs::path> watch) : m_watch(std::move(watch)) {}
    void AfterPass(const std::string& path, int pass, size_t) override {
        if (pass != 1) return;
        wiped.push_back(path);
        for (const auto& w : m_watch) existedAtWipe.push_back(fs::exists(w));
    }
    std::vector<std::string> wiped;
    std::vector<bool> existedAtWipe;

private:
    std::vector<fs::path> m_watch;
};

class TempFoldersTest : public test::SupportLayerTest {
protected:
    fs::path Root() const { return run() / "LCPortable"; }
    fs::path VolumeFolder(std::u16string_view name) {
        std::string folder;
        EXPECT_EQ(GetVolumeTempFolder(name, folder, true), 0u);
        return fs::path(folder).parent_path();
    }
};

TEST_F(TempFoldersTest, RootIsPrivateAndWhereThePlatformPutsIt) {
    std::string root;
    ASSERT_EQ(GetTempRoot(root, false), 0u);
    EXPECT_EQ(root, Root().string() + "/");
    EXPECT_FALSE(fs::exists(Root()));  // not made unless asked
    ASSERT_EQ(GetTempRoot(root, true), 0u);
    struct stat st {};
    ASSERT_EQ(::lstat(Root().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    ::unsetenv("XDG_RUNTIME_DIR");
    ASSERT_EQ(GetTempRoot(root, true), 0u);
    EXPECT_EQ(root,
              (scratch() / "tmp").string() + "/LCPortable-" + std::to_string(::geteuid()) + "/");
    ::setenv("XDG_RUNTIME_DIR", "relative/path", 1);  // not absolute: ignored
    ASSERT_EQ(GetTempRoot(root, false), 0u);
    EXPECT_EQ(root.rfind((scratch() / "tmp").string(), 0), 0u);

    // A root that others could read is tightened.
    ::setenv("XDG_RUNTIME_DIR", run().c_str(), 1);
    fs::permissions(Root(), fs::perms::all);
    ASSERT_EQ(GetTempRoot(root, false), 0u);
    ASSERT_EQ(::lstat(Root().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST_F(TempFoldersTest, UnsafeRootIsRefusedAndLeftAlone) {
    const fs::path elsewhere = scratch() / "elsewhere";
    fs::create_directories(elsewhere / "Vol");
    WriteText(elsewhere / "Vol" / "precious.txt", "keep");
    std::string root;

    fs::create_directory_symlink(elsewhere, Root());
    EXPECT_EQ(GetTempRoot(root, true), status::kErrUnsafeTempFolder);
    EXPECT_EQ(CleanupVolumeTemp(u"Vol", u"L", false, nullptr), status::kErrUnsafeTempFolder);
    std::string folder;
    EXPECT_EQ(GetVolumeTempFolder(u"Vol", folder, true), status::kErrUnsafeTempFolder);
    EXPECT_EQ(ReadText(elsewhere / "Vol" / "precious.txt"), "keep");
    fs::remove(Root());

    WriteText(Root(), "a file");
    EXPECT_EQ(GetTempRoot(root, false), status::kErrUnsafeTempFolder);
    fs::remove(Root());

    if (::geteuid() == 0) {
        fs::create_directory(Root());
        ASSERT_EQ(::chown(Root().c_str(), 65534, 65534), 0);
        EXPECT_EQ(GetTempRoot(root, false), status::kErrUnsafeTempFolder);
        EXPECT_EQ(CleanupVolumeTemp(u"Vol", u"L", false, nullptr), status::kErrUnsafeTempFolder);
        EXPECT_TRUE(fs::exists(Root()));
    }
}

TEST_F(TempFoldersTest, HostileVolumeNamesStayInsideTheRoot) {
    const std::u16string names[] = {
        u"..", u".", u"", u"a/b", u"../..", std::u16string(u"a\0b", 3), u"%2E.", u"/", u".hidden"};
    std::set<std::string> seen;
    for (const auto& name : names) {
        std::string folderName = VolumeFolderName(name);
        EXPECT_FALSE(folderName.empty());
        EXPECT_EQ(folderName.find('/'), std::string::npos);
        EXPECT_EQ(folderName.find('\0'), std::string::npos);
        EXPECT_NE(folderName[0], '.');
        EXPECT_EQ(VolumeFolderName(name), folderName);  // same name, same folder
        EXPECT_TRUE(seen.insert(folderName).second) << folderName;
        EXPECT_EQ(DecodeFileName(folderName), name);
    }
    EXPECT_EQ(VolumeFolderName(u".."), "%2E.");
    EXPECT_EQ(VolumeFolderName(u""), "%");
    EXPECT_EQ(VolumeFolderName(u"a/b"), "a%2Fb");

    // The clean-up of each touches only its own folder.
    WriteText(scratch() / "run" / "sibling-of-root.txt", "keep");
    const fs::path other = VolumeFolder(u"Other");
    WriteText(other / "doc.txt", "keep");
    for (const auto& name : names) {
        const fs::path folder = VolumeFolder(name);
        EXPECT_EQ(folder.parent_path(), Root());
        WriteText(folder / "copy.txt", "plain");
        EXPECT_EQ(CleanupVolumeTemp(name, u"L", false, nullptr), 0u);
        EXPECT_FALSE(fs::exists(folder));
        EXPECT_EQ(ReadText(other / "doc.txt"), "keep");
        EXPECT_EQ(ReadText(scratch() / "run" / "sibling-of-root.txt"), "keep");
    }
}

TEST_F(TempFoldersTest, NestedTreeIsRemovedBottomUp) {
    const fs::path vol = VolumeFolder(u"Vol1");
    fs::create_directories(vol / "X" / "Y" / "Z");
    WriteText(vol / "X" / "Y" / "Z" / "file.txt", "plain copy");
    WriteText(vol / "top.txt", "plain copy");
    WipeOrder order({vol / "X" / "Y" / "Z", vol / "X"});
    Dod::SetPassObserverForTest(&order);
    RecordingSink sink;
    EXPECT_EQ(CleanupVolumeTemp(u"Vol1", u"LABEL", true, &sink), 0u);
    Dod::SetPassObserverForTest(nullptr);
    EXPECT_EQ(order.wiped.size(), 2u);
    // Every folder was still there, under its own name, when the files in it were wiped.
    for (bool existed : order.existedAtWipe) EXPECT_TRUE(existed);
    EXPECT_FALSE(fs::exists(Root()));  // emptied, so removed
    EXPECT_EQ(sink.texts,
              (std::vector<std::string>{"Delete temporary files for volume LABEL", ""}));
}

TEST_F(TempFoldersTest, RootStaysWhileOtherVolumesHaveFolders) {
    WriteText(VolumeFolder(u"One") / "a.txt", "1");
    WriteText(VolumeFolder(u"Two") / "b.txt", "2");
    RecordingSink sink;
    EXPECT_EQ(CleanupVolumeTemp(u"One", u"ONE", false, &sink), 0u);
    EXPECT_TRUE(sink.texts.empty());  // no status without showStatus
    EXPECT_FALSE(fs::exists(Root() / "One"));
    EXPECT_EQ(ReadText(Root() / "Two" / "b.txt"), "2");
    EXPECT_EQ(CleanupVolumeTemp(u"Two", u"TWO", false, &sink), 0u);
    EXPECT_FALSE(fs::exists(Root()));
}

TEST_F(TempFoldersTest, MissingFolderIsSuccess) {
    EXPECT_EQ(CleanupVolumeTemp(u"Never", u"L", true, nullptr), 0u);  // no root at all
    std::string root;
    ASSERT_EQ(GetTempRoot(root, true), 0u);
    EXPECT_EQ(CleanupVolumeTemp(u"Never", u"L", false, nullptr), 0u);
    EXPECT_FALSE(fs::exists(Root()));  // the empty root went with it
    EXPECT_EQ(DeleteFolderTree((scratch() / "nothing").string()), 0u);
}

TEST_F(TempFoldersTest, LinksAreRemovedButNeverFollowed) {
    const fs::path outside = scratch() / "outside";
    fs::create_directories(outside / "dir");
    WriteText(outside / "file.txt", "outside file");
    WriteText(outside / "dir" / "inner.txt", "outside dir");
    const fs::path vol = VolumeFolder(u"Vol");
    fs::create_directory(vol / "sub");
    fs::create_symlink(outside / "file.txt", vol / "sub" / "file-link");
    fs::create_directory_symlink(outside / "dir", vol / "dir-link");
    fs::create_symlink(scratch() / "dangling", vol / "dangling");
    EXPECT_EQ(CleanupVolumeTemp(u"Vol", u"L", false, nullptr), 0u);
    EXPECT_FALSE(fs::exists(Root()));
    EXPECT_EQ(ReadText(outside / "file.txt"), "outside file");
    EXPECT_EQ(ReadText(outside / "dir" / "inner.txt"), "outside dir");

    // The volume folder itself replaced by a link: the link goes, the target stays.
    std::string root;
    ASSERT_EQ(GetTempRoot(root, true), 0u);
    fs::create_directory_symlink(outside / "dir", Root() / "Vol");
    EXPECT_EQ(CleanupVolumeTemp(u"Vol", u"L", false, nullptr), 0u);
    EXPECT_EQ(ReadText(outside / "dir" / "inner.txt"), "outside dir");
    EXPECT_FALSE(fs::exists(Root()));
}

TEST_F(TempFoldersTest, TakenNameStopsTheFolderRenaming) {
    const fs::path base = scratch() / "base";
    fs::create_directories(base / "ab");
    fs::create_directories(base / "CC");
    WriteText(base / "CC" / "keep.txt", "sibling");
    WriteText(base / "ab" / "f", "x");
    EXPECT_EQ(DeleteFolderTree((base / "ab").string()), 0u);
    EXPECT_FALSE(fs::exists(base / "ab"));
    EXPECT_FALSE(fs::exists(base / "BB"));
    EXPECT_EQ(ReadText(base / "CC" / "keep.txt"), "sibling");
}

TEST_F(TempFoldersTest, IsFolderEmpty) {
    const fs::path d = scratch() / "d";
    EXPECT_FALSE(IsFolderEmpty(d.string() + "/"));
    fs::create_directory(d);
    EXPECT_TRUE(IsFolderEmpty(d.string() + "/"));
    WriteText(d / ".x", "");
    EXPECT_FALSE(IsFolderEmpty(d.string() + "/"));
    fs::create_directory_symlink(scratch() / "run", scratch() / "dl");
    EXPECT_FALSE(IsFolderEmpty((scratch() / "dl").string() + "/"));  // not listed through a link
}

TEST_F(TempFoldersTest, FolderThatCannotBeEmptiedKeepsItsName) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
    const fs::path vol = VolumeFolder(u"Vol");
    fs::create_directory(vol / "locked");
    WriteText(vol / "locked" / "f.txt", "x");
    fs::permissions(vol / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_NE(CleanupVolumeTemp(u"Vol", u"L", false, nullptr), 0u);
    EXPECT_TRUE(fs::exists(vol / "locked" / "f.txt"));
    EXPECT_TRUE(fs::exists(Root()));
    fs::permissions(vol / "locked", fs::perms::owner_all);
}

}  // namespace
}  // namespace lc
