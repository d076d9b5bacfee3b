#include "volume/CLCFiles.h"

#include <openssl/evp.h>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TestVolume.h"
#include "volume/LCHeader.h"

namespace lc {
namespace {

using test::FromHex;
using test::MakeVolume;
using test::RandomImage;
using test::ScratchDir;

constexpr size_t kSector = 512;

std::span<const char16_t> Pw(const std::u16string& text) {
    return {text.data(), text.size()};
}

// OpenSSL's AES-CBC of one plain sector with the given IV: what the file must hold.
std::vector<uint8_t> EncryptSector(const std::vector<uint8_t>& key, const uint8_t* plain,
                                   const uint8_t iv[16]) {
    std::vector<uint8_t> out(kSector);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    EVP_EncryptInit_ex(ctx, key.size() == 16 ? EVP_aes_128_cbc() : EVP_aes_256_cbc(), nullptr,
                       key.data(), iv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, out.data(), &n, plain, static_cast<int>(kSector));
    EVP_CIPHER_CTX_free(ctx);
    return out;
}

std::vector<uint8_t> FileSector(const std::vector<uint8_t>& volumeFile, size_t sector) {
    auto at = volumeFile.begin() + static_cast<ptrdiff_t>(LCHeader::kSize + sector * kSector);
    return {at, at + kSector};
}

TEST(CLCFiles, NothingWithoutAFile) {
    CLCFiles volume;
    std::vector<uint8_t> buffer(kSector);
    EXPECT_EQ(volume.ReadSectors(0, 1, buffer), status::kFileNotFound);
    EXPECT_EQ(volume.WriteSectors(0, 1, buffer), status::kFileNotFound);
    EXPECT_EQ(volume.SeekSector(0), status::kFileNotFound);
    EXPECT_EQ(volume.AlgorithmId(), 1u);
    EXPECT_EQ(volume.SectorSize(), 0u);
    EXPECT_EQ(volume.Root(), nullptr);
}

TEST(CLCFiles, UnlockOutcomes) {
    struct Case {
        const char* name;
        std::vector<std::string> options;
        Status expected;
    };
    const Case cases[] = {
        {"both blocks empty", {}, status::kErrNoKeyBlock},
        {"wrong password in A", {"--password-a", "other"}, status::kInvalidPassword},
        {"A wrong, B right", {"--password-a", "other", "--password-b", "right"}, 0},
        {"A right, B wrong", {"--password-a", "right", "--password-b", "other"}, 0},
        {"only B", {"--password-b", "right"}, 0},
        {"extended A ignored at 209",
         {"--format-level", "209", "--extended-a", "--password-a", "right"},
         status::kErrNoKeyBlock},
        {"damaged header", {"--password-a", "right", "--bad-checksum"}, status::kErrNoKeyBlock},
        {"unknown algorithm",
         {"--algorithm", "7", "--password-a", "right"},
         status::kErrNoKeyBlock},
    };
    ScratchDir dir;
    auto image = RandomImage(8, 7);
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto options = c.options;
        options.insert(options.end(), {"--name", "Vol"});
        auto path = MakeVolume(dir, "o" + std::to_string(n++), image, options);
        CLCFiles volume;
        EXPECT_EQ(volume.Unlock(path, Pw(u"right")), c.expected);
        EXPECT_EQ(volume.HasFile(), c.expected == 0);
        // A refused key never reaches the mount: Open fails the same way.
        if (c.expected != 0) {
            EXPECT_EQ(volume.Open(path, Pw(u"right")), c.expected);
        }
    }
    EXPECT_EQ(CLCFiles().Open((dir / "missing.vol").string(), Pw(u"x")), status::kErrNoKeyBlock);
}

class SectorAccess : public testing::TestWithParam<int> {
protected:
    void SetUp() override {
        const bool aes128 = GetParam() == 0;
        key = FromHex(aes128 ? test::kKey128 : test::kKey256);
        image = RandomImage(kSectors, 100 + static_cast<uint32_t>(GetParam()));
        path = MakeVolume(dir, "s", image,
                          {"--algorithm", aes128 ? "0" : "1", "--password-a", "pw", "--volume-key",
                           aes128 ? test::kKey128 : test::kKey256, "--name", "Sectors"});
        volumeFile = test::ReadFileBytes(path);
        ASSERT_EQ(volume.Unlock(path.string(), Pw(u"pw")), 0u);
    }
    std::vector<uint8_t> Plain(size_t first, size_t count) const {
        return {image.begin() + static_cast<ptrdiff_t>(first * kSector),
                image.begin() + static_cast<ptrdiff_t>((first + count) * kSector)};
    }

    static constexpr size_t kSectors = 48;
    ScratchDir dir;
    std::vector<uint8_t> key, image, volumeFile;
    std::filesystem::path path;
    CLCFiles volume;
};

TEST_P(SectorAccess, WholeImageInOneRead) {
    EXPECT_EQ(volume.GetVolumeName(), u"Sectors");
    EXPECT_EQ(volume.AlgorithmId(), static_cast<uint32_t>(GetParam()));
    EXPECT_EQ(volume.SectorSize(), 512u);
    std::vector<uint8_t> all(image.size());
    ASSERT_EQ(volume.ReadSectors(0, kSectors, all), 0u);
    EXPECT_EQ(all, image);
}

TEST_P(SectorAccess, InitialVectorIsTheBytePosition) {
    // Sector 0: file offset 69,632, all-zero IV. Sector 1: IV 00 02 00 ... 00.
    const uint8_t zero[16] = {};
    const uint8_t one[16] = {0x00, 0x02};
    const uint8_t big[16] = {0x00, 0x5E};  // sector 47 = byte 0x5E00
    EXPECT_EQ(FileSector(volumeFile, 0), EncryptSector(key, &image[0], zero));
    EXPECT_EQ(FileSector(volumeFile, 1), EncryptSector(key, &image[kSector], one));
    EXPECT_EQ(FileSector(volumeFile, 47), EncryptSector(key, &image[47 * kSector], big));
    std::vector<uint8_t> buffer(kSector);
    for (size_t s : {0, 1, 47}) {
        ASSERT_EQ(volume.ReadSectors(s, 1, buffer), 0u);
        EXPECT_EQ(buffer, Plain(s, 1)) << s;
    }
}

TEST_P(SectorAccess, OneRunEqualsSingleSectorReads) {
    std::vector<uint8_t> run(3 * kSector);
    ASSERT_EQ(volume.ReadSectors(5, 3, run), 0u);
    std::vector<uint8_t> singles;
    for (uint64_t s = 5; s < 8; ++s) {
        std::vector<uint8_t> one(kSector);
        ASSERT_EQ(volume.ReadSectors(s, 1, one), 0u);
        singles.insert(singles.end(), one.begin(), one.end());
    }
    EXPECT_EQ(run, singles);
    EXPECT_EQ(run, Plain(5, 3));
}

TEST_P(SectorAccess, RefusedReads) {
    std::vector<uint8_t> buffer(1000, 0x77);
    EXPECT_EQ(volume.ReadSectors(0, 2, buffer), status::kBufferOverflow);
    EXPECT_EQ(buffer, std::vector<uint8_t>(1000, 0x77));  // nothing read
    std::vector<uint8_t> two(2 * kSector);
    EXPECT_EQ(volume.ReadSectors(0, 1, two), status::kBufferOverflow);
    EXPECT_EQ(volume.ReadSectors(0, 0, {}), 0u);

    // Short reads at the end of the file.
    EXPECT_EQ(volume.ReadSectors(kSectors - 1, 2, two), status::kHandleEof);
    std::vector<uint8_t> one(kSector);
    EXPECT_EQ(volume.ReadSectors(kSectors, 1, one), status::kHandleEof);
    // Positions are 64-bit: sector 2^32 is not sector 0, and the largest numbers fail cleanly.
    EXPECT_EQ(volume.ReadSectors(uint64_t{1} << 32, 1, one), status::kHandleEof);
    EXPECT_NE(volume.ReadSectors(UINT64_MAX, 1, one), 0u);
    ASSERT_EQ(volume.ReadSectors(kSectors - 1, 1, one), 0u);
    EXPECT_EQ(one, Plain(kSectors - 1, 1));
}

TEST_P(SectorAccess, WriteEncryptsForTheSameSectorOnly) {
    // The volume is open read-only: the write fails, but the buffer has been encrypted.
    auto buffer = Plain(7, 1);
    EXPECT_EQ(volume.WriteSectors(7, 1, buffer), status::kAccessDenied);
    EXPECT_EQ(buffer, FileSector(volumeFile, 7));

    // Cipher text made for sector 8 does not decrypt as sector 7.
    auto elsewhere = Plain(7, 1);
    EXPECT_EQ(volume.WriteSectors(8, 1, elsewhere), status::kAccessDenied);
    EXPECT_NE(elsewhere, FileSector(volumeFile, 7));

    auto wrongSize = Plain(7, 1);
    EXPECT_EQ(volume.WriteSectors(7, 2, wrongSize), status::kBufferOverflow);
    EXPECT_EQ(wrongSize, Plain(7, 1));
}

INSTANTIATE_TEST_SUITE_P(Algorithms, SectorAccess, testing::Values(0, 1),
                         [](const auto& param) { return param.param == 0 ? "AES128" : "AES256"; });

// A FAT image made by mkfs.fat and mtools, opened all the way: mount, pre-read, tree.
TEST(CLCFiles, OpenMountsAndReadsTheTree) {
    ScratchDir dir;
    auto img = dir / "fat.img";
    auto run = [](const std::vector<std::string>& argv) {
        auto r = test::Run(argv, {}, {"MTOOLS_SKIP_CHECK=1"});
        ASSERT_EQ(r.exitCode, 0) << argv[0] << ": " << r.err;
    };
    run({"mkfs.fat", "-F", "12", "-n", "OPENTEST", "-C", img.string(), "512"});
    test::WriteFileBytes(dir / "hello.txt", {'h', 'i', '\n'});
    run({"mmd", "-i", img.string(), "::Folder"});
    run({"mcopy", "-i", img.string(), (dir / "hello.txt").string(), "::Folder/hello.txt"});
    auto image = test::ReadFileBytes(img);

    for (const char* algorithm : {"0", "1"}) {
        SCOPED_TRACE(algorithm);
        auto path = MakeVolume(dir, std::string("fat") + algorithm, image,
                               {"--algorithm", algorithm, "--password-b", "pw", "--name", "Fat"});
        CLCFiles volume;
        EXPECT_EQ(volume.Open(path, Pw(u"wrong")), status::kInvalidPassword);
        EXPECT_FALSE(volume.HasFile());
        // The same object opens after a failed attempt; the image is far below the pre-read size.
        ASSERT_EQ(volume.Open(path, Pw(u"pw")), 0u);
        ASSERT_NE(volume.Root(), nullptr);
        EXPECT_NE(volume.FileSystem(), nullptr);
        EXPECT_EQ(volume.GetVolumeName(), u"Fat");
        const DirInfo* folder = volume.Root()->firstChild;
        ASSERT_NE(folder, nullptr);
        EXPECT_EQ(folder->name, u"Folder");
        ASSERT_NE(folder->firstFile, nullptr);
        EXPECT_EQ(folder->firstFile->size, 3u);
    }

    // A right password on an image that holds no file system: 1.
    auto noise = MakeVolume(dir, "noise", RandomImage(64, 9), {"--password-a", "pw"});
    CLCFiles volume;
    EXPECT_EQ(volume.Open(noise, Pw(u"pw")), status::kInvalidFunction);
}

}  // namespace
}  // namespace lc
