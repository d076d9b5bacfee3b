#include "volume/CLCFiles.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include "TestVolume.h"
#include "volume/LCHeader.h"

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
    std::vector<uint8_t> buffer(kSector);
    EXPECT_EQ(none.ReadSectors(0, 1, buffer), status::kFileNotFound);
}

class SectorAccess : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        const char* hexKey = GetParam() == 0 ? test::kKey128 : test::kKey256;
        key = test::FromHex(hexKey);
        image = RandomImage(kSectors, 100 + static_cast<uint32_t>(GetParam()));
        auto path = MakeVolume(dir, "s", image,
                               {"--algorithm", std::to_string(GetParam()), "--password-a", "pw",
                                "--volume-key", hexKey});
        volumeFile = test::ReadFileBytes(path);
        ASSERT_EQ(volume.Unlock(path.string(), u"pw"sv), status::kSuccess);
    }
    std::vector<uint8_t> Plain(size_t first, size_t count) const {
        return {image.begin() + first * kSector, image.begin() + (first + count) * kSector};
    }
    std::vector<uint8_t> Stored(size_t sector) const {
        auto at = volumeFile.begin() + LCHeader::kSize + sector * kSector;
        return {at, at + kSector};
    }
    // OpenSSL's AES-CBC of one plain sector with the given IV: what the file must hold.
    std::vector<uint8_t> Encrypt(size_t sector, const uint8_t iv[16]) const {
        std::vector<uint8_t> out(kSector);
        EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
        int n = 0;
        EVP_EncryptInit_ex(ctx, key.size() == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc(), nullptr,
                           key.data(), iv);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EVP_EncryptUpdate(ctx, out.data(), &n, &image[sector * kSector], kSector);
        EVP_CIPHER_CTX_free(ctx);
        return out;
    }

    static constexpr size_t kSectors = 48;
    ScratchDir dir;
    std::vector<uint8_t> key, image, volumeFile;
    CLCFiles volume;
};

TEST_P(SectorAccess, ReadsGiveThePlainImage) {
    // The initial vector is the sector's byte position: sector 1 = 00 02 00 ... 00.
    const uint8_t iv0[16] = {}, iv1[16] = {0x00, 0x02}, iv47[16] = {0x00, 0x5E};
    EXPECT_EQ(Stored(0), Encrypt(0, iv0));
    EXPECT_EQ(Stored(1), Encrypt(1, iv1));
    EXPECT_EQ(Stored(47), Encrypt(47, iv47));

    std::vector<uint8_t> all(image.size()), run(3 * kSector);
    ASSERT_EQ(volume.ReadSectors(0, kSectors, all), status::kSuccess);
    EXPECT_EQ(all, image);
    ASSERT_EQ(volume.ReadSectors(5, 3, run), status::kSuccess);
    EXPECT_EQ(run, Plain(5, 3));
}

TEST_P(SectorAccess, RefusedReads) {
    std::vector<uint8_t> buffer(1000, 0x77), two(2 * kSector), one(kSector);
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
    ASSERT_EQ(volume.ReadSectors(kSectors - 1, 1, one), status::kSuccess);
    EXPECT_EQ(one, Plain(kSectors - 1, 1));
}

INSTANTIATE_TEST_SUITE_P(Algorithms, SectorAccess, testing::Values(0, 1),
                         [](const auto& param) { return param.param == 0 ? "AES128" : "AES256"; });

}  // namespace
}  // namespace lc
