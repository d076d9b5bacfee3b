// `lcportable-cli mount` through /dev/fuse on the fixture volumes, against what `extract` writes.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "FsTestUtil.h"
#include "MountTestUtil.h"
#include "TestVolume.h"
#include "fs/NtFs.h"
#include "fs/NtfsStructures.h"

namespace lc::test {
namespace {

namespace fs = std::filesystem;

bool IsMounted(const fs::path& dir) {
    return test::Run({"mountpoint", "-q", dir.string()}).exitCode == 0;
}

// A mount of a volume at a fresh folder, unmounted at the end.
struct Mounted {
    explicit Mounted(const std::string& volume, std::vector<std::string> args = {}) {
        fs::create_directory(point);
        args.insert(args.begin(), {CliPath(), "mount", volume, point.string()});
        result = test::Run(args, {}, CliEnvironment(home.path()));
    }
    ~Mounted() {
        if (IsMounted(point)) test::Run({"fusermount3", "-u", point.string()});
    }
    ScratchDir home;
    fs::path point = home / "mnt";
    RunResult result;
};

// Skipped, not passed, where FUSE is missing or mounting is not permitted.
#define LC_MOUNT_OR_SKIP(mounted)                                                          \
    do {                                                                                   \
        if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";       \
        const std::string& err_ = (mounted).result.err;                                    \
        if (err_.find("ermission denied") != std::string::npos ||                          \
            err_.find("not permitted") != std::string::npos)                               \
            GTEST_SKIP() << err_;                                                          \
        ASSERT_TRUE((mounted).result.exitCode == 0 && IsMounted((mounted).point)) << err_; \
    } while (0)

void ExpectSameRanges(const fs::path& mounted, const fs::path& extracted, unsigned seed) {
    for (auto [offset, length] : RandomRanges(fs::file_size(extracted), seed, 6))
        ASSERT_EQ(ReadRange(mounted, offset, length), ReadRange(extracted, offset, length))
            << mounted << " at " << offset << " + " << length;
}

class MountFixtureTest : public testing::TestWithParam<MountFixture> {};

TEST_P(MountFixtureTest, ShowsWhatExtractWrites) {
    const PreparedVolume& prepared = Prepare(GetParam());
    Mounted mount(prepared.volume);
    LC_MOUNT_OR_SKIP(mount);
    size_t files = 0;
    for (auto it = fs::recursive_directory_iterator(mount.point);
         it != fs::recursive_directory_iterator(); ++it) {
        const fs::path relative = fs::relative(it->path(), mount.point);
        const fs::path extracted = prepared.extracted / relative;
        struct stat seen {
        }, written{};
        ASSERT_EQ(::lstat(it->path().c_str(), &seen), 0) << relative;
        if (S_ISLNK(seen.st_mode)) {
            // Links are passed over by extract; here they point with '/'.
            EXPECT_EQ(fs::read_symlink(it->path()).string().find('\\'), std::string::npos);
            continue;
        }
        ASSERT_EQ(::lstat(extracted.c_str(), &written), 0) << relative;
        EXPECT_EQ(seen.st_mode & 07777, S_ISDIR(seen.st_mode) ? 0555u : 0444u) << relative;
        EXPECT_EQ(seen.st_uid, ::getuid());
        if (S_ISDIR(seen.st_mode)) continue;
        ++files;
        EXPECT_EQ(seen.st_size, written.st_size) << relative;
        EXPECT_EQ(seen.st_mtime, written.st_mtime) << relative;
        EXPECT_EQ(seen.st_atime, seen.st_mtime);
        EXPECT_EQ(seen.st_ctime, seen.st_mtime);
        // Ranges of a file read whole would come from the kernel's cache.
        if (written.st_size <= (64 << 20)) {
            EXPECT_EQ(ReadFileBytes(it->path()), ReadFileBytes(extracted)) << relative;
        } else {
            ExpectSameRanges(it->path(), extracted, unsigned(files));
        }
    }
    // Nothing extract wrote is missing from the mount.
    for (auto it = fs::recursive_directory_iterator(prepared.extracted);
         it != fs::recursive_directory_iterator(); ++it) {
        EXPECT_TRUE(fs::exists(mount.point / fs::relative(it->path(), prepared.extracted)))
            << it->path();
    }
    EXPECT_GT(files, 0u);

    // fusermount3 -u ends the background mount.
    EXPECT_EQ(test::Run({"fusermount3", "-u", mount.point.string()}).exitCode, 0);
    EXPECT_FALSE(IsMounted(mount.point));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MountFixtureTest, testing::ValuesIn(kMountFixtures),
                         FixtureName);

TEST(MountTest, RefusesEveryChangeAndHonoursOwner) {
    Mounted mount(Prepare(kMountFixtures[4]).volume, {"-o", "uid=4242,gid=4343"});
    LC_MOUNT_OR_SKIP(mount);
    const fs::path file = mount.point / "hello.txt";
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 4242u);
    EXPECT_EQ(st.st_gid, 4343u);
    // Data and names; "ro" has the kernel refuse them before the mount's own handlers would.
    EXPECT_EQ(::open(file.c_str(), O_RDWR), -1);
    EXPECT_EQ(errno, EROFS);
    EXPECT_EQ(::rename(file.c_str(), (mount.point / "other").c_str()), -1);
    EXPECT_EQ(errno, EROFS);
}

TEST(MountTest, EncryptedFileIsListedButCannotBeOpened) {
    // ntfs-3g cannot make an encrypted file: hello.txt gets the flag in its own record.
    ScratchDir dir;
    std::vector<uint8_t> bytes = ReadFileBytes(Unpacked("ntfs", "ntfs-512.img"));
    {
        PlainImageVolume plain(bytes);
        ASSERT_EQ(plain.Open(), status::kSuccess);
        auto* ntfs = static_cast<NtFs*>(plain.FileSystem());
        const DirInfo* hello = FindPath(plain.Root(), "hello.txt");
        ASSERT_NE(hello, nullptr);
        auto place = ntfs->RecordToCluster(hello->firstCluster);
        ASSERT_TRUE(place.ok());
        const size_t at = place->cluster * ntfs->ClusterBytes() + place->byteOffset;
        std::vector<uint8_t> record(bytes.begin() + at, bytes.begin() + at + ntfs->RecordBytes());
        ASSERT_EQ(NtFs::ApplyFixups(record, ntfs::kFileMagic), status::kSuccess);
        auto info = NtFs::FindAttribute(record, ntfs::kTypeStandardInformation);
        ASSERT_TRUE(info.ok());
        const size_t value =
            *info + LoadLe<uint16_t>(record.data() + *info + ntfs::kAttrValueOffset);
        bytes[at + value + ntfs::kStdAttributes + 1] |= 0x40;  // 0x4000: encrypted
    }
    Mounted mount(MakeVolume(dir, "enc", bytes, {"--password-a", kMountPassword}).string());
    LC_MOUNT_OR_SKIP(mount);
    const fs::path hello = mount.point / "hello.txt";
    EXPECT_TRUE(fs::is_regular_file(hello));
    EXPECT_EQ(::open(hello.c_str(), O_RDONLY), -1);
    EXPECT_EQ(errno, EACCES);
}

TEST(MountTest, EightThreadsReadAtOnce) {
    const PreparedVolume& prepared = Prepare(kMountFixtures[6]);
    Mounted mount(prepared.volume);
    LC_MOUNT_OR_SKIP(mount);
    const char* const kFiles[] = {"frag.bin", "sparse/hole-middle.bin", "stale.bin",
                                  "sparse/gigabyte.bin"};
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            const std::string name = kFiles[t % 4];
            ExpectSameRanges(mount.point / name, prepared.extracted / name, 100 + t);
        });
    }
    for (auto& thread : threads) thread.join();
}

TEST(MountTest, SigtermUnmountsForegroundMount) {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";
    ScratchDir home;
    const fs::path point = home / "mnt";
    fs::create_directory(point);
    RunResult r =
        test::Run({"sh", "-c",
                   "$0 mount -f $1 $2 & for i in $(seq 200); do mountpoint -q $2 && break; "
                   "sleep 0.05; done; kill -TERM $!; wait $!",
                   CliPath(), Prepare(kMountFixtures[0]).volume, point.string()},
                  {}, CliEnvironment(home.path()));
    if (r.err.find("ermission denied") != std::string::npos) GTEST_SKIP() << r.err;
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(IsMounted(point));
}

// A mount that never answers the kernel's first request (max_read too small) is no success.
TEST(MountTest, BackgroundStartWaitsForTheFirstAnswer) {
    Mounted mount(Prepare(kMountFixtures[0]).volume, {"-o", "max_read=4096"});
    if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";
    EXPECT_EQ(mount.result.exitCode, 1);
    EXPECT_NE(mount.result.err.find("before it was ready"), std::string::npos) << mount.result.err;
    EXPECT_FALSE(IsMounted(mount.point));
}

// A real name equal to what a long sibling would be shortened to keeps it, as in extract.
TEST(MountTest, ShortenedNameSkipsARealOne) {
    if (::access("/dev/fuse", R_OK | W_OK) != 0) GTEST_SKIP() << "no /dev/fuse";
    ScratchDir dir;
    std::string cjk;
    for (int i = 0; i < 83; ++i) cjk += "中";
    // The tree lists the long name first: it is named before the real one is met.
    const fs::path image = dir / "clash.img";
    ASSERT_EQ(test::Run({"sh", "-c",
                         "truncate -s 2M $0 && mkntfs -Ffq $0 >/dev/null && mkdir $1 && ntfs-3g $0 "
                         "$1 && echo long >$1/$2$2.txt && echo real >$1/$2~1.txt && umount $1",
                         image.string(), (dir / "fill").string(), cjk})
                  .exitCode,
              0);
    Mounted mount(
        MakeVolume(dir, "clash", ReadFileBytes(image), {"--password-a", kMountPassword}).string());
    LC_MOUNT_OR_SKIP(mount);
    EXPECT_EQ(ReadText(mount.point / (cjk + "~1.txt")), "real\n");
    EXPECT_EQ(ReadText(mount.point / (cjk + "~2.txt")), "long\n");
}

TEST(MountTest, FailuresBeforeMountingUseTheUsualExitCodes) {
    const std::string cli = CliPath(), vol = Prepare(kMountFixtures[0]).volume;
    ScratchDir home;
    const std::vector<std::pair<std::vector<std::string>, int>> cases = {
        {{cli, "mount", "--password-file", "/dev/null", vol, home.path().string()}, 3},
        {{cli, "mount", vol, (home / "missing").string()}, 1},
        {{cli, "mount", vol}, 2},
    };
    for (const auto& [argv, exitCode] : cases) {
        RunResult r = test::Run(argv, {}, CliEnvironment(home.path()));
        EXPECT_EQ(r.exitCode, exitCode) << r.err;
        EXPECT_EQ(r.err.rfind("lcportable-cli", 0), 0u) << r.err;
    }
    EXPECT_FALSE(IsMounted(home.path()));
}

}  // namespace
}  // namespace lc::test
