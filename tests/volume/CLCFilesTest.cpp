#include "volume/CLCFiles.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "TestVolume.h"

namespace lc {
namespace {

using test::MakeVolume;
using namespace std::literals;
using test::RandomImage;
using test::ScratchDir;

constexpr size_t kSector = 512;

TEST(CLCFiles, UnlockOutcomes) {
    const std::pair<const char*, Status> cases[] = {
        {"", status::kErrNoKeyBlock},
        {"--password-a other", status::kInvalidPassword},
        {"--password-a other --password-b right", status::kSuccess},
        {"--format-level 209 --extended-a --password-a right", status::kErrNoKeyBlock},
        {"--password-a right --bad-checksum", status::kErrNoKeyBlock},
        {"--algorithm 7 --password-a right", status::kErrNoKeyBlock},
    };
    ScratchDir dir;
    const auto image = RandomImage(8, 7);
    int n = 0;
    for (const auto& [options, expected] : cases) {
        SCOPED_TRACE(options);
        auto path = MakeVolume(dir, std::to_string(n++), image, test::Words(options));
        CLCFiles volume;
        EXPECT_EQ(volume.Unlock(path, u"right"sv), expected);
        EXPECT_EQ(volume.HasFile(), expected == status::kSuccess);
        // A refused key never reaches the mount: Open fails the same way.
        if (expected != status::kSuccess) {
            EXPECT_EQ(volume.Open(path, u"right"sv), expected);
        }
    }
    CLCFiles none;
    EXPECT_EQ(none.Open((dir / "missing.vol").string(), u"x"sv), status::kErrNoKeyBlock);
}

// Against mkvol's encryption; the sector IV itself is checked against OpenSSL in the crypto tests.
TEST(CLCFiles, SectorReads) {
    constexpr size_t kSectors = 48;
    ScratchDir dir;
    for (int algorithm : {0, 1}) {
        SCOPED_TRACE(algorithm);
        const auto image = RandomImage(kSectors, 100 + static_cast<uint32_t>(algorithm));
        const auto path =
            MakeVolume(dir, std::to_string(algorithm), image,
                       {"--algorithm", std::to_string(algorithm), "--password-a", "pw"});
        CLCFiles volume;
        ASSERT_EQ(volume.Unlock(path.string(), u"pw"sv), status::kSuccess);
        std::vector<uint8_t> all(image.size()), buffer(1000, 0x77), two(2 * kSector), one(kSector);
        ASSERT_EQ(volume.ReadSectors(0, kSectors, all), status::kSuccess);
        EXPECT_EQ(all, image);
        ASSERT_EQ(volume.ReadSectors(5, 2, two), status::kSuccess);
        EXPECT_TRUE(std::equal(two.begin(), two.end(), image.begin() + 5 * kSector));
        ASSERT_EQ(volume.ReadSectors(kSectors - 1, 1, one), status::kSuccess);
        EXPECT_TRUE(std::equal(one.begin(), one.end(), image.end() - kSector));

        EXPECT_EQ(volume.ReadSectors(0, 2, buffer), status::kBufferOverflow);
        EXPECT_EQ(buffer, std::vector<uint8_t>(1000, 0x77));  // nothing read
        EXPECT_EQ(volume.ReadSectors(0, 1, two), status::kBufferOverflow);
        EXPECT_EQ(volume.ReadSectors(0, 0, {}), status::kSuccess);
        // Short reads at the end of the file.
        EXPECT_EQ(volume.ReadSectors(kSectors - 1, 2, two), status::kHandleEof);
        EXPECT_EQ(volume.ReadSectors(kSectors, 1, one), status::kHandleEof);
        // Positions are 64-bit: sector 2^32 is not sector 0, and the largest numbers fail cleanly.
        EXPECT_EQ(volume.ReadSectors(uint64_t{1} << 32, 1, one), status::kHandleEof);
        EXPECT_NE(volume.ReadSectors(UINT64_MAX, 1, one), status::kSuccess);
    }
}

}  // namespace
}  // namespace lc
