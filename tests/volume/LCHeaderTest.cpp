#include "volume/LCHeader.h"

#include <fstream>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "TestVolume.h"

namespace lc {
namespace {

using test::FromHex;
using test::MakeVolume;
using test::RandomImage;
using test::ScratchDir;
using Slot = LCHeader::Slot;

std::span<const char16_t> Pw(const std::u16string& text) {
    return {text.data(), text.size()};
}

struct ReadCase {
    const char* name;
    std::vector<std::string> options;
    Status read;
    bool hasA = false, hasB = false, ringA = false, ringB = false;
};

// What ReadHeader accepts and what the header then says about its key blocks and key rings.
TEST(LCHeader, ReadAndKeyBlockPresence) {
    const ReadCase cases[] = {
        {"version 101", {"--version", "101", "--password-a", "x"}, status::kErrVersionTooOld},
        {"version 102", {"--version", "102", "--password-a", "x"}, 0, true, false},
        {"version 230", {"--version", "230", "--password-a", "x"}, 0, true, false},
        {"version 231", {"--version", "231", "--password-a", "x"}, status::kErrVersionTooNew},
        {"damaged checksum", {"--password-a", "x", "--bad-checksum"}, status::kCrc},
        {"algorithm 2 refused", {"--algorithm", "2", "--password-a", "x"}, status::kNotSupported},
        {"algorithm 2 with bad checksum still 50",
         {"--algorithm", "2", "--bad-checksum"},
         status::kNotSupported},
        {"only B", {"--password-b", "x"}, 0, false, true},
        {"both empty", {}, 0, false, false},
        {"extended A at 209",
         {"--format-level", "209", "--extended-a", "--password-a", "x"},
         0,
         false,
         false},
        {"extended A at 210",
         {"--format-level", "210", "--extended-a", "--password-a", "x"},
         0,
         true,
         false},
        {"extended B at 210",
         {"--format-level", "210", "--extended-b", "--password-b", "x"},
         0,
         false,
         true},
        {"key rings below 210",
         {"--format-level", "209", "--keyring-a", "1", "--keyring-b", "0x100"},
         0},
        {"key ring A at 210",
         {"--format-level", "210", "--keyring-a", "0x8000"},
         0,
         false,
         false,
         true,
         false},
        {"key ring B at 210",
         {"--format-level", "210", "--keyring-b", "1"},
         0,
         false,
         false,
         false,
         true},
    };
    ScratchDir dir;
    auto image = RandomImage(4, 1);
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto path = MakeVolume(dir, "v" + std::to_string(n++), image, c.options);
        LCHeader header;
        EXPECT_EQ(header.ReadHeader(path), c.read);
        EXPECT_EQ(header.IsValid(), c.read == 0);
        if (c.read != 0) continue;
        EXPECT_EQ(header.HasKeyBlockA(), c.hasA);
        EXPECT_EQ(header.HasKeyBlockB(), c.hasB);
        EXPECT_EQ(header.IsKeyRingProtected(Slot::A), c.ringA);
        EXPECT_EQ(header.IsKeyRingProtected(Slot::B), c.ringB);
    }
}

TEST(LCHeader, FilesThatAreNoVolume) {
    ScratchDir dir;
    LCHeader header;
    EXPECT_EQ(header.ReadHeader((dir / "missing.vol").string()), status::kLocked);
    EXPECT_EQ(header.ReadHeader(dir.path().string()), status::kLocked);  // a folder

    auto good = MakeVolume(dir, "good", RandomImage(1, 2), {"--password-a", "x"});
    auto bytes = test::ReadFileBytes(good);

    auto shortened = bytes;
    shortened.resize(LCHeader::kSize - 1);
    test::WriteFileBytes(dir / "short.vol", shortened);
    EXPECT_EQ(header.ReadHeader((dir / "short.vol").string()), status::kErrNotVolume);

    auto wrongMagic = bytes;
    wrongMagic[24] = 0x1B;
    test::WriteFileBytes(dir / "magic.vol", wrongMagic);
    EXPECT_EQ(header.ReadHeader((dir / "magic.vol").string()), status::kErrNotVolume);

    // A header that is exactly 69,632 bytes with no image behind it is still a header.
    bytes.resize(LCHeader::kSize);
    test::WriteFileBytes(dir / "bare.vol", bytes);
    EXPECT_EQ(header.ReadHeader((dir / "bare.vol").string()), 0u);

    // Any byte outside magic, version and checksum is covered by the checksum.
    for (size_t offset : {size_t{25}, LCHeader::kNameOffset, LCHeader::kSize - 1}) {
        auto changed = bytes;
        changed[offset] ^= 1;
        test::WriteFileBytes(dir / "changed.vol", changed);
        EXPECT_EQ(header.ReadHeader((dir / "changed.vol").string()), status::kCrc) << offset;
    }
}

struct UnlockCase {
    const char* name;
    std::vector<std::string> options;
    Status a, b;  // results of the two blocks with password "right"; 0xFFFFFFFF: block absent
    std::string volumeKey;
};
constexpr Status kAbsent = 0xFFFFFFFF;

TEST(LCHeader, UnlockGivesTheVolumeKey) {
    const std::string k128 = test::kKey128, k256 = test::kKey256;
    const UnlockCase cases[] = {
        {"AES-256 block A", {"--algorithm", "1", "--password-a", "right"}, 0, kAbsent, k256},
        {"AES-128 block A", {"--algorithm", "0", "--password-a", "right"}, 0, kAbsent, k128},
        {"A wrong, B right",
         {"--password-a", "other", "--password-b", "right"},
         status::kInvalidPassword,
         0,
         k256},
        {"A wrong only", {"--password-a", "other"}, status::kInvalidPassword, kAbsent, k256},
        {"only B, AES-128", {"--algorithm", "0", "--password-b", "right"}, kAbsent, 0, k128},
        {"extended A at 210",
         {"--format-level", "210", "--extended-a", "--password-a", "right"},
         0,
         kAbsent,
         k256},
        {"extended B at 210, AES-128",
         {"--algorithm", "0", "--format-level", "210", "--extended-b", "--password-b", "right"},
         kAbsent,
         0,
         k128},
    };
    ScratchDir dir;
    auto image = RandomImage(2, 3);
    const std::u16string password = u"right";
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto options = c.options;
        options.insert(options.end(), {"--volume-key", c.volumeKey});
        auto path = MakeVolume(dir, "u" + std::to_string(n++), image, options);
        LCHeader header;
        ASSERT_EQ(header.ReadHeader(path), 0u);
        const auto expectedKey = FromHex(c.volumeKey);
        ASSERT_EQ(LCHeader::KeyLength(header.AlgorithmId()), expectedKey.size());
        EXPECT_EQ(header.HasKeyBlockA(), c.a != kAbsent);
        EXPECT_EQ(header.HasKeyBlockB(), c.b != kAbsent);
        if (c.a != kAbsent) {
            std::vector<uint8_t> key(expectedKey.size());
            uint32_t value = 0xDEAD;
            EXPECT_EQ(header.UnlockWithKeyBlockA(Pw(password), key, &value), c.a);
            if (c.a == 0) {
                EXPECT_EQ(key, expectedKey);
                EXPECT_EQ(value, 0u);  // mkvol leaves the spare value zero
            }
        }
        if (c.b != kAbsent) {
            std::vector<uint8_t> key(expectedKey.size());
            EXPECT_EQ(header.UnlockWithKeyBlockB(Pw(password), key), c.b);
            if (c.b == 0) {
                EXPECT_EQ(key, expectedKey);
            }
        }
    }
}

TEST(LCHeader, UnlockWithNonAsciiPassword) {
    ScratchDir dir;
    auto path = MakeVolume(dir, "p", RandomImage(1, 4),
                           {"--password-a", "Pässwörd €", "--volume-key", test::kKey256});
    LCHeader header;
    ASSERT_EQ(header.ReadHeader(path), 0u);
    std::vector<uint8_t> key(32);
    EXPECT_EQ(header.UnlockWithKeyBlockA(Pw(u"Pässwörd €"), key), 0u);
    EXPECT_EQ(key, FromHex(test::kKey256));
    EXPECT_EQ(header.UnlockWithKeyBlockA(Pw(u"Passwörd €"), key), status::kInvalidPassword);
    EXPECT_EQ(header.UnlockWithKeyBlockA(Pw(u""), key), status::kInvalidPassword);
}

TEST(LCHeader, FieldsAndVolumeName) {
    ScratchDir dir;
    struct NameCase {
        std::string given;
        std::u16string expected;
    };
    const NameCase names[] = {
        {"Sample", u"Sample"},
        {"", u""},
        {"Größe 漢字", u"Größe 漢字"},
        // 28 units without a terminating zero: all of them, nothing beyond.
        {std::string(28, 'N'), std::u16string(28, u'N')},
        {std::string(40, 'N'), std::u16string(28, u'N')},
    };
    for (const auto& c : names) {
        auto path = MakeVolume(dir, "n", RandomImage(1, 5),
                               {"--name", c.given, "--format-level", "215", "--version", "150",
                                "--salt", std::string(40, 'a')});
        LCHeader header;
        ASSERT_EQ(header.ReadHeader(path), 0u);
        EXPECT_EQ(header.VolumeName(), c.expected);
        EXPECT_EQ(header.Version(), 150);
        EXPECT_EQ(header.FormatLevel(), 215);
        EXPECT_EQ(header.AlgorithmId(), 1u);
        EXPECT_EQ(std::vector<uint8_t>(header.Salt().begin(), header.Salt().end()),
                  std::vector<uint8_t>(20, 0xAA));
    }
}

TEST(LCHeader, WriteToFileKeepsTheHeaderValid) {
    ScratchDir dir;
    auto image = RandomImage(3, 6);
    auto path = MakeVolume(dir, "w", image, {"--password-a", "pw", "--name", "Before"});
    const auto before = test::ReadFileBytes(path);
    LCHeader header;
    ASSERT_EQ(header.ReadHeader(path), 0u);
    // Rename to "After" in the image; WriteToFile must refresh the checksum.
    auto bytes = header.MutableImage();
    const std::u16string after = u"After";
    std::fill_n(bytes.begin() + LCHeader::kNameOffset, 56, uint8_t{0});
    for (size_t i = 0; i < after.size(); ++i)
        bytes[LCHeader::kNameOffset + 2 * i] = uint8_t(after[i]);
    EXPECT_EQ(header.VerifyChecksum(), status::kCrc);
    ASSERT_EQ(header.WriteToFile(path), 0u);
    EXPECT_EQ(header.VerifyChecksum(), 0u);

    LCHeader again;
    ASSERT_EQ(again.ReadHeader(path), 0u);
    EXPECT_EQ(again.VolumeName(), u"After");
    // The image behind the header is untouched.
    auto file = test::ReadFileBytes(path);
    ASSERT_EQ(file.size(), before.size());
    EXPECT_TRUE(
        std::equal(file.begin() + LCHeader::kSize, file.end(), before.begin() + LCHeader::kSize));

    EXPECT_NE(header.WriteToFile((dir / "absent.vol").string()), 0u);  // open-existing only
}

}  // namespace
}  // namespace lc
