#include <unistd.h>

#include <filesystem>
#include <vector>

#include <gtest/gtest.h>

#include "SupportLayerEnv.h"
#include "support/Dod.h"
#include "support/TempFolders.h"

namespace lc {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::WriteText;

class TempFoldersTest : public test::SupportLayerTest, public CleanupStatusSink {
protected:
    void SetStatusText(const std::string& text) override { texts.push_back(text); }
    void Wiping() override { ++buffersWiped; }
    fs::path Root() const { return run() / "LCPortable"; }
    fs::path VolumeFolder(std::u16string_view name) {
        std::string folder;
        EXPECT_EQ(GetVolumeTempFolder(name, folder, true), status::kSuccess);
        return fs::path(folder).parent_path();
    }
    Status Cleanup(std::u16string_view name) { return CleanupVolumeTemp(name, u"L", false, this); }
    std::vector<std::string> texts;
    int buffersWiped = 0;
};

TEST_F(TempFoldersTest, RootIsPrivateAndWhereThePlatformPutsIt) {
    std::string root;
    ASSERT_EQ(GetTempRoot(root, false), status::kSuccess);
    EXPECT_FALSE(fs::exists(Root()));  // not made unless asked
    ASSERT_EQ(GetTempRoot(root, true), status::kSuccess);
    fs::permissions(Root(), fs::perms::all);  // one that others could read is tightened
    ASSERT_EQ(GetTempRoot(root, false), status::kSuccess);
    EXPECT_EQ(fs::status(Root()).permissions(), fs::perms::owner_all);
    for (const char* runtime : {static_cast<const char*>(nullptr), "relative/path"}) {
        runtime ? ::setenv("XDG_RUNTIME_DIR", runtime, 1) : ::unsetenv("XDG_RUNTIME_DIR");
        ASSERT_EQ(GetTempRoot(root, true), status::kSuccess);
        EXPECT_EQ(root, (scratch() / "tmp").string() + "/LCPortable-" +
                            std::to_string(::geteuid()) + "/");
    }
}

TEST_F(TempFoldersTest, UnsafeRootIsRefusedAndLeftAlone) {
    const fs::path elsewhere = scratch() / "elsewhere";
    fs::create_directories(elsewhere / "Vol");
    std::string root;
    fs::create_directory_symlink(elsewhere, Root());
    EXPECT_EQ(GetTempRoot(root, true), status::kErrUnsafeTempFolder);
    EXPECT_EQ(Cleanup(u"Vol"), status::kErrUnsafeTempFolder);
    EXPECT_TRUE(fs::exists(elsewhere / "Vol"));
    fs::remove(Root());
    WriteText(Root(), "a file");
    EXPECT_EQ(GetTempRoot(root, false), status::kErrUnsafeTempFolder);
    fs::remove(Root());
    if (::geteuid() == 0) {
        fs::create_directory(Root());
        ASSERT_EQ(::chown(Root().c_str(), 65534, 65534), 0);
        EXPECT_EQ(GetTempRoot(root, false), status::kErrUnsafeTempFolder);
        EXPECT_EQ(Cleanup(u"Vol"), status::kErrUnsafeTempFolder);
        EXPECT_TRUE(fs::exists(Root()));
    }
}

TEST_F(TempFoldersTest, HostileVolumeNamesStayInsideTheRootBesideOtherVolumes) {
    const std::u16string names[] = {
        u"..", u".", u"", u"a/b", u"../..", std::u16string(u"a\0b", 3), u"%2E.", u"/", u".hidden"};
    EXPECT_EQ(Cleanup(u"Never"), status::kSuccess);  // a missing folder (and root) is success
    WriteText(run() / "sibling-of-root.txt", "keep");
    WriteText(VolumeFolder(u"Other") / "doc.txt", "keep");
    for (const auto& name : names) {
        // The clean-up of each touches only its own folder; the root stays for "Other".
        WriteText(VolumeFolder(name) / "copy.txt", "plain");
        EXPECT_EQ(Cleanup(name), status::kSuccess);
        EXPECT_FALSE(fs::exists(Root() / VolumeFolderName(name)));
        EXPECT_EQ(ReadText(Root() / "Other" / "doc.txt"), "keep");
        EXPECT_TRUE(fs::exists(run() / "sibling-of-root.txt"));
    }
    EXPECT_EQ(Cleanup(u"Other"), status::kSuccess);
    EXPECT_FALSE(fs::exists(Root()));
    EXPECT_TRUE(texts.empty());  // no status without showStatus
}

TEST_F(TempFoldersTest, NestedTreeIsRemovedBottomUp) {
    // Notes whether the folders still exist, under their own names, as each file is wiped.
    struct WipeOrder : WipePassObserver {
        void AfterPass(const std::string&, int pass, size_t) override {
            wiped += pass == 1;
            for (const auto& w : watch) allThere = allThere && fs::exists(w);
        }
        std::vector<fs::path> watch;
        int wiped = 0;
        bool allThere = true;
    } order;
    const fs::path vol = VolumeFolder(u"Vol1");
    fs::create_directories(vol / "X" / "Y" / "Z");
    WriteText(vol / "X" / "Y" / "Z" / "file.txt", "plain copy");
    WriteText(vol / "top.txt", "plain copy");
    order.watch = {vol / "X" / "Y" / "Z", vol / "X"};
    Dod::SetPassObserverForTest(&order);
    EXPECT_EQ(CleanupVolumeTemp(u"Vol1", u"LABEL", true, this), status::kSuccess);
    Dod::SetPassObserverForTest(nullptr);
    EXPECT_EQ(order.wiped, 2);
    EXPECT_EQ(buffersWiped, 6);  // told of every buffer, so that a window stays painted
    EXPECT_TRUE(order.allThere);
    EXPECT_FALSE(fs::exists(Root()));  // emptied, so removed
    EXPECT_EQ(texts, (std::vector<std::string>{"Delete temporary files for volume LABEL", ""}));
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
    EXPECT_EQ(Cleanup(u"Vol"), status::kSuccess);
    EXPECT_FALSE(fs::exists(Root()));
    // The volume folder itself replaced by a link: the link goes, the target stays.
    fs::create_directory(Root());
    fs::create_directory_symlink(outside / "dir", Root() / "Vol");
    EXPECT_EQ(Cleanup(u"Vol"), status::kSuccess);
    EXPECT_FALSE(fs::exists(Root()));
    EXPECT_EQ(ReadText(outside / "file.txt"), "outside file");
    EXPECT_EQ(ReadText(outside / "dir" / "inner.txt"), "outside dir");
}

}  // namespace
}  // namespace lc
