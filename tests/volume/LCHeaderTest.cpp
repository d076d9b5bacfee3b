#include "volume/LCHeader.h"

#include <numeric>
#include <tuple>

#include <gtest/gtest.h>

#include "TestVolume.h"

namespace lc {
namespace {

using test::MakeVolume;
using test::RandomImage;
using test::ScratchDir;
using test::Words;

TEST(LCHeader, ReadAndKeyBlockPresence) {
    // options, read result, present: key blocks A, B; key-ring markers a, b
    const std::tuple<const char*, Status, const char*> cases[] = {
        {"--version 101 --password-a x", status::kErrVersionTooOld, ""},
        {"--version 102 --password-a x", status::kSuccess, "A"},
        {"--password-a x --bad-checksum", status::kCrc, ""},
        {"--algorithm 2 --bad-checksum", status::kNotSupported, ""},  // refused before the sum
        {"--password-b x", status::kSuccess, "B"},
        {"", status::kSuccess, ""},
        {"--format-level 209 --extended-a --password-a x", status::kSuccess, ""},
        {"--format-level 210 --extended-a --password-a x", status::kSuccess, "A"},
        {"--format-level 210 --extended-b --password-b x", status::kSuccess, "B"},
        {"--format-level 209 --keyring-a 1 --keyring-b 0x100", status::kSuccess, ""},
        {"--format-level 210 --keyring-a 0x8000", status::kSuccess, "a"},
    };
    ScratchDir dir;
    const auto image = RandomImage(4, 1);
    int n = 0;
    for (const auto& [options, read, expected] : cases) {
        SCOPED_TRACE(options);
        LCHeader header;
        auto path = MakeVolume(dir, std::to_string(n++), image, Words(options));
        EXPECT_EQ(header.ReadHeader(path), read);
        EXPECT_EQ(header.IsValid(), read == status::kSuccess);
        std::string present;
        for (auto [has, flag] : {std::pair{header.HasKeyBlockA(), 'A'},
                                 {header.HasKeyBlockB(), 'B'},
                                 {header.IsKeyRingProtected(LCHeader::Slot::A), 'a'},
                                 {header.IsKeyRingProtected(LCHeader::Slot::B), 'b'}})
            if (header.IsValid() && has) present += flag;
        EXPECT_EQ(present, expected);
    }
}

TEST(LCHeader, ChecksumCoversTheHeaderOnly) {
    ScratchDir dir;
    LCHeader header;
    auto bytes = test::ReadFileBytes(MakeVolume(dir, "good", RandomImage(1, 2), {}));
    bytes.resize(LCHeader::kSize);
    // A header of exactly 69,632 bytes with no image behind it is still a header (no byte
    // changed); any byte outside magic, version and checksum is covered by the checksum.
    for (size_t offset : {SIZE_MAX, size_t{25}, LCHeader::kNameOffset, LCHeader::kSize - 1}) {
        auto changed = bytes;
        if (offset != SIZE_MAX) changed[offset] ^= 1;
        test::WriteFileBytes(dir / "changed.vol", changed);
        EXPECT_EQ(header.ReadHeader((dir / "changed.vol").string()),
                  offset == SIZE_MAX ? status::kSuccess : status::kCrc)
            << offset;
    }
}

TEST(LCHeader, UnlockGivesTheVolumeKey) {
    constexpr Status kAbsent{0xFFFFFFFF};
    // options, password, result of key block A, of B
    const std::tuple<std::string, std::u16string, Status, Status> cases[] = {
        {"--algorithm 0 --password-a right", u"right", status::kSuccess, kAbsent},
        {"--password-a other --password-b right", u"right", status::kInvalidPassword,
         status::kSuccess},
        {"--algorithm 0 --password-b right", u"right", kAbsent, status::kSuccess},
        {"--format-level 210 --extended-a --password-a right", u"right", status::kSuccess, kAbsent},
        {"--algorithm 0 --format-level 210 --extended-b --password-b right", u"right", kAbsent,
         status::kSuccess},
        // The password reaches the key derivation as UTF-16LE code units, surrogate pairs too.
        {"--password-a Pässwörd€漢𝄞", u"Pässwörd€漢𝄞", status::kSuccess, kAbsent},
        {"--password-a Pässwörd€漢𝄞", u"Passwörd€漢𝄞", status::kInvalidPassword, kAbsent},
        {"--password-a Pässwörd€漢𝄞", u"", status::kInvalidPassword, kAbsent},
        // Only the units up to a zero unit, and at most 259 of them, count.
        {"--password-a abc", std::u16string(u"abc\0def", 7), status::kSuccess, kAbsent},
        {"--algorithm 0 --password-a " + std::string(259, 'L'), std::u16string(259, u'L') + u"x",
         status::kSuccess, kAbsent},
    };
    ScratchDir dir;
    const auto image = RandomImage(2, 3);
    int n = 0;
    for (const auto& [options_, password, a, b] : cases) {
        SCOPED_TRACE(options_);
        const bool aes128 = options_.find("--algorithm 0") != std::string::npos;
        // The volume key 00 01 02 ..., 16 or 32 bytes.
        std::vector<uint8_t> expectedKey(aes128 ? 16 : 32), key(expectedKey.size());
        std::iota(expectedKey.begin(), expectedKey.end(), 0);
        std::string hexKey;
        for (uint8_t k : expectedKey)
            hexKey += {"0123456789abcdef"[k >> 4], "0123456789abcdef"[k & 15]};
        auto options = Words(options_);
        options.insert(options.end(), {"--volume-key", hexKey});
        LCHeader header;
        ASSERT_EQ(header.ReadHeader(MakeVolume(dir, std::to_string(n++), image, options)),
                  status::kSuccess);
        if (a != kAbsent) {
            EXPECT_EQ(header.UnlockWithKeyBlockA(password, key), a);
        }
        if (b != kAbsent) {
            EXPECT_EQ(header.UnlockWithKeyBlockB(password, key), b);
        }
        EXPECT_EQ(key == expectedKey, a == status::kSuccess || b == status::kSuccess);
    }
}

TEST(LCHeader, VolumeName) {
    ScratchDir dir;
    const std::pair<std::string, std::u16string> names[] = {
        {"Größe 漢字", u"Größe 漢字"},
        // 28 units fill the field without a terminating zero: all of them, nothing beyond.
        {std::string(28, 'N'), std::u16string(28, u'N')},
        {std::string(40, 'N'), std::u16string(28, u'N')},
    };
    LCHeader header;
    for (const auto& [given, expected] : names) {
        ASSERT_EQ(header.ReadHeader(MakeVolume(dir, "n", RandomImage(1, 5), {"--name", given})),
                  status::kSuccess);
        EXPECT_EQ(header.VolumeName(), expected);
    }
}

}  // namespace
}  // namespace lc
