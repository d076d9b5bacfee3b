// Directory entries, boot sectors and FAT time words made in memory.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <tuple>
#include <vector>

#include "fs/DosTime.h"
#include "fs/Fat16.h"
#include "fs/LCVolume.h"
#include "fs/PlainImageVolume.h"
#include "platform/ByteReader.h"

namespace lc {
namespace {

using Entry = std::array<uint8_t, 32>;

Entry ShortEntry(const char* name, uint8_t attributes, uint8_t caseFlags = 0) {
    Entry e{};
    std::memcpy(e.data(), name, 11);
    e[11] = attributes;
    e[12] = caseFlags;
    return e;
}

// A long-name entry of up to 13 UTF-16 units for the short entry named shortName.
Entry LongEntry(uint8_t sequence, std::u16string units, const char* shortName = "SHORT   TXT") {
    Entry e{};
    e[0] = sequence;
    e[11] = 0x0F;
    e[13] = FAT::ShortNameChecksum(std::span(reinterpret_cast<const uint8_t*>(shortName), 11));
    if (units.size() < 13) units.push_back(0);
    units.resize(13, 0xFFFF);
    static constexpr size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
    for (size_t i = 0; i < 13; ++i) StoreLe<uint16_t>(&e[kOffsets[i]], units[i]);
    return e;
}

// Rows the fixtures compared with mtools and fls do not hold.
TEST(FatShortNameTest, DecodesLikeWindows) {
    const std::tuple<const char*, uint8_t, uint8_t, std::u16string> cases[] = {
        {"NOEXT      ", 0x20, 0x00, u"NOEXT"},
        {"A B     TXT", 0x20, 0x00, u"A.TXT"},
        {"FULLNAMEEXT", 0x10, 0x18, u"fullname.ext"},
        // Code page 850, lower case: 0x8E Ä, 0x99 Ö, 0x9A Ü, 0xE1 ß, 0xB0 a shade block.
        {"\x8E\x99\x9A\xE1\xB0   TXT", 0x20, 0x08, u"\u00E4\u00F6\u00FC\u00DF\u2591.TXT"},
        // 0x05 stands for a first byte 0xE5: Õ.
        {"\x05X      TXT", 0x20, 0x18, u"\u00F5x.txt"},
        {"MY LABEL   ", 0x08, 0x18, u"MY LABEL"},
    };
    for (const auto& [name, attributes, caseFlags, expected] : cases)
        EXPECT_EQ(FAT::DecodeShortName(ShortEntry(name, attributes, caseFlags)), expected) << name;
}

// A root folder read entry by entry.
struct RootDir {
    RootDir() { volume.SetVolumeLabel(u"ROOT"); }
    Status Process(const Entry& e) { return reader.ProcessDirEntry(e, end); }
    std::u16string FirstFileName() const {
        const DirInfo* f = volume.Root()->firstFile;
        return f ? f->name : u"<none>";
    }

    PlainImageVolume volume;
    Fat16 reader{&volume};
    bool end = false;
};

// Long-name pieces count down to 1 from one flagged 0x40, each with the short entry's checksum;
// anything else leaves the short name (names.img has a renamed entry and a missing piece).
TEST(FatEntryTest, LongNameSequenceChecks) {
    const std::u16string a = u"first piece..", m = u"middle piece.", b = u"second",
                         s = u"SHORT.TXT";
    const Entry a1 = LongEntry(0x01, a), a41 = LongEntry(0x41, a), b42 = LongEntry(0x42, b);
    const Entry dot = ShortEntry(".          ", 0x10), label = ShortEntry("LABEL      ", 0x08);
    Entry deleted = a41;
    deleted[0] = 0xE5;
    const std::tuple<const char*, std::vector<Entry>, std::u16string> cases[] = {
        {"whole", {b42, a1}, a + b},
        {"three pieces, the last of one unit",
         {LongEntry(0x43, u"t"), LongEntry(0x02, m), a1},
         a + m + u"t"},
        {"one piece with another checksum", {b42, LongEntry(0x01, a, "OTHER   TXT")}, s},
        {"no 0x40 flag", {LongEntry(0x02, b), a1}, s},
        {"ordinal above 20", {LongEntry(0x55, b), a1}, s},
        {"pieces repeated", {b42, a1, a1}, s},
        {"label between", {a41, label}, s},
        {"dot entry between", {a41, dot}, s},
        {"deleted entry between", {a41, ShortEntry("\xE5THER   TXT", 0x20)}, s},
        {"deleted piece", {deleted}, s},
        {"a new sequence starts over", {LongEntry(0x41, b), a41}, a},
    };
    for (const auto& [what, before, expected] : cases) {
        SCOPED_TRACE(what);
        RootDir dir;
        for (const Entry& e : before) EXPECT_EQ(dir.Process(e), status::kSuccess);
        EXPECT_EQ(dir.volume.Root()->firstFile, nullptr);
        EXPECT_EQ(dir.Process(ShortEntry("SHORT   TXT", 0x20)), status::kSuccess);
        EXPECT_EQ(dir.FirstFileName(), expected);
        // The pending name is used up: the next short entry has its own name.
        EXPECT_EQ(dir.Process(ShortEntry("NEXT    TXT", 0x20)), status::kSuccess);
        EXPECT_EQ(dir.FirstFileName(), u"NEXT.TXT");
    }
}

TEST(FatEntryTest, Fat16IgnoresTheHighClusterWord) {
    RootDir dir;
    Entry e = ShortEntry("DATA    BIN", 0x20);
    StoreLe<uint16_t>(&e[20], 0x0001);
    StoreLe<uint16_t>(&e[26], 0x1234);
    EXPECT_EQ(dir.Process(e), status::kSuccess);
    EXPECT_EQ(dir.volume.Root()->firstFile->firstCluster, 0x1234u);
}

// 512-byte sectors, one per cluster, one FAT as large as the variant needs.
std::array<uint8_t, 512> BootSector(uint32_t clusters, uint16_t rootEntries, bool fatSize16) {
    std::array<uint8_t, 512> b{0xEB, 0x3C, 0x90, 'M', 'S', 'W', 'I', 'N', '4', '.', '1'};
    StoreLe<uint16_t>(&b[11], 512);
    b[13] = 1;
    StoreLe<uint16_t>(&b[14], 1);
    b[16] = 1;
    StoreLe<uint16_t>(&b[17], rootEntries);
    uint32_t fatSize = ((clusters + 2) * 4 + 511) / 512;
    uint32_t total = 1 + fatSize + (rootEntries * 32u + 511) / 512 + clusters;
    if (fatSize16)
        StoreLe<uint16_t>(&b[22], static_cast<uint16_t>(fatSize));
    else
        StoreLe<uint32_t>(&b[36], fatSize);
    if (total < 0x10000)
        StoreLe<uint16_t>(&b[19], static_cast<uint16_t>(total));
    else
        StoreLe<uint32_t>(&b[32], total);
    StoreLe<uint16_t>(&b[510], 0xAA55);
    return b;
}

TEST(FatClassificationTest, BootSectors) {
    using enum FileSystemKind;
    // Clusters, root entries, FAT size in the 16-bit field, then bytes written at an offset.
    const std::tuple<uint32_t, uint16_t, bool, size_t, std::string, FileSystemKind> cases[] = {
        {4084, 512, true, 0, "", kFat12},
        {4085, 512, true, 0, "", kFat16},
        {65525, 512, true, 0, "", kFat16},
        {65525, 0, false, 0, "", kFat32},
        {65525, 512, false, 0, "", kNone},     // a FAT32 one with a root
        {2000, 512, true, 0, "\xE9", kFat12},  // near jump
        {2000, 512, true, 0, std::string(1, '\0'), kNone},
        {2000, 512, true, 11, std::string(2, '\0'), kNone},  // bytes per sector
        {2000, 512, true, 11, std::string("\0\x01", 2), kNone},
        {2000, 512, true, 11, std::string("\0\x06", 2), kNone},
        {2000, 512, true, 11, std::string("\0\x20", 2), kNone},
        {2000, 512, true, 13, std::string(1, '\0'), kNone},  // sectors per cluster
        {2000, 512, true, 22, "\x60\xEA", kNone},            // FATs larger than the volume
        {2000, 512, true, 3, "NTFS\t\t\t\t", kNtfs},
        {2000, 512, true, 3, "ntfs    ", kFat12},
        {2000, 512, true, 0, std::string("\0\0\0NTFS    \0\0\0", 14), kNtfs},
    };
    for (const auto& [clusters, rootEntries, fatSize16, offset, bytes, expected] : cases) {
        auto boot = BootSector(clusters, rootEntries, fatSize16);
        std::memcpy(&boot[offset], bytes.data(), bytes.size());
        EXPECT_EQ(LCVolume::DetectFileSystem(boot), expected) << clusters << " " << offset;
    }
}

constexpr uint16_t Date(int year, int month, int day) {
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr uint16_t Time(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

// Local times against fls and the extracted files' times are checked end to end in two zones.
TEST(DosTimeTest, InvalidWordsAndYearsOutsideTheRange) {
    auto invalid = [](uint16_t date, uint16_t time) {
        DosTime t(date, time);
        return !t.IsValid() && !t.ToUnixTime().has_value();
    };
    // Month 0 and 13, 29 February 2021, day 0, 31 April, all zero; hour 24, minute 60, second 60.
    for (uint16_t date : {Date(2021, 0, 4), Date(2021, 13, 4), Date(2021, 2, 29), Date(2021, 4, 0),
                          Date(2021, 4, 31), uint16_t{0}})
        EXPECT_TRUE(invalid(date, 0)) << date;
    for (uint16_t time : {Time(24, 0, 0), Time(0, 60, 0), Time(0, 0, 60)})
        EXPECT_TRUE(invalid(Date(2021, 4, 1), time)) << time;
    EXPECT_TRUE(DosTime(Date(2020, 2, 29), 0).IsValid());
    // 1601, 1979-06-01 and 2108-06-01 (UTC FILETIMEs) have no FAT date.
    for (uint64_t fileTime : {uint64_t{0}, 119415600000000000u, 160124688000000000u})
        EXPECT_EQ(DosTime::PackFileTime(fileTime), 0u) << fileTime;
}

}  // namespace
}  // namespace lc
