// Directory entries and boot sectors made in memory; FAT time words read as the zone's local time.
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
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

TEST(FatShortNameTest, DecodesLikeWindows) {
    const std::tuple<const char*, uint8_t, uint8_t, std::u16string> cases[] = {
        {"README  TXT", 0x20, 0x18, u"readme.txt"},
        {"README  TXT", 0x20, 0x08, u"readme.TXT"},
        {"README  TXT", 0x20, 0x10, u"README.txt"},
        {"NOEXT      ", 0x20, 0x00, u"NOEXT"},
        {"A B     TXT", 0x20, 0x00, u"A.TXT"},
        {"FULLNAMEEXT", 0x10, 0x18, u"fullname.ext"},
        // Code page 850: 0x8E Ä, 0x99 Ö, 0x9A Ü, 0xE1 ß, 0xB0 a shade block; lower case too.
        {"\x8E\x99\x9A\xE1    TXT", 0x20, 0x00, u"\u00C4\u00D6\u00DC\u00DF.TXT"},
        {"\x8E\x99\x9A\xE1\xB0   TXT", 0x20, 0x08, u"\u00E4\u00F6\u00FC\u00DF\u2591.TXT"},
        // 0x05 stands for a first byte 0xE5: Õ.
        {"\x05X      TXT", 0x20, 0x00, u"\u00D5X.TXT"},
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

// A long name is used only when its pieces count down to 1 from an entry flagged 0x40 and each
// carries the checksum of the short entry after them; anything else leaves the short name.
TEST(FatEntryTest, LongNameSequenceChecks) {
    const std::u16string a = u"first piece..", m = u"middle piece.", b = u"second",
                         s = u"SHORT.TXT";
    const Entry a1 = LongEntry(0x01, a), a41 = LongEntry(0x41, a), b42 = LongEntry(0x42, b);
    const Entry dot = ShortEntry(".          ", 0x10), label = ShortEntry("LABEL      ", 0x08);
    const std::tuple<const char*, std::vector<Entry>, std::u16string> cases[] = {
        {"whole", {b42, a1}, a + b},
        {"three pieces, the last of one unit",
         {LongEntry(0x43, u"t"), LongEntry(0x02, m), a1},
         a + m + u"t"},
        {"checksum of another entry",
         {LongEntry(0x42, b, "OTHER   TXT"), LongEntry(0x01, a, "OTHER   TXT")},
         s},
        {"one piece with another checksum", {b42, LongEntry(0x01, a, "OTHER   TXT")}, s},
        {"missing piece", {LongEntry(0x43, b), a1}, s},
        {"no 0x40 flag", {LongEntry(0x02, b), a1}, s},
        {"ordinal above 20", {LongEntry(0x55, b), a1}, s},
        {"pieces repeated", {b42, a1, a1}, s},
        {"label between", {a41, label}, s},
        {"dot entry between", {a41, dot}, s},
        {"deleted entry between", {a41, ShortEntry("\xE5THER   TXT", 0x20)}, s},
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

TEST(FatEntryTest, SkippedEntriesFieldsAndTheEnd) {
    RootDir dir;
    Entry deletedLong = LongEntry(0x41, u"gone", "KEPT    TXT");
    deletedLong[0] = 0xE5;
    for (const Entry& e : {ShortEntry("\xE5GONE   TXT", 0x20), ShortEntry(".          ", 0x10),
                           ShortEntry("..         ", 0x10), deletedLong}) {
        EXPECT_EQ(dir.Process(e), status::kSuccess);
        EXPECT_FALSE(dir.end);
    }
    EXPECT_EQ(dir.volume.Root()->firstChild, nullptr);
    // The deleted long-name sequence died with its short entry.
    EXPECT_EQ(dir.Process(ShortEntry("KEPT    TXT", 0x20)), status::kSuccess);
    EXPECT_EQ(dir.FirstFileName(), u"KEPT.TXT");
    EXPECT_EQ(dir.volume.Root()->firstFile->nextFile, nullptr);

    Entry e = ShortEntry("DATA    BIN", 0x21);
    StoreLe<uint16_t>(&e[22], 0x6C3D);  // 13:33:58 (seconds field 29)
    StoreLe<uint16_t>(&e[24], 0x52E4);  // 2021-07-04
    StoreLe<uint16_t>(&e[20], 0x0001);  // FAT16 keeps other data in the high word
    StoreLe<uint16_t>(&e[26], 0x1234);
    StoreLe<uint32_t>(&e[28], 123456);
    EXPECT_EQ(dir.Process(e), status::kSuccess);
    const DirInfo* f = dir.volume.Root()->firstFile;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->size, 123456u);
    EXPECT_EQ(f->attributes, 0x21u);
    EXPECT_EQ(f->firstCluster, 0x1234u);
    EXPECT_EQ(f->modified, 0x52E46C3Du);
    EXPECT_EQ(dir.Process(Entry{}), status::kSuccess);
    EXPECT_TRUE(dir.end);
}

// A boot sector with 512-byte sectors, one sector per cluster, one FAT, and the given cluster
// count; the FAT is as large as the variant needs.
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

TEST(FatClassificationTest, ClusterCountBoundaries) {
    using enum FileSystemKind;
    // Clusters, root entries, FAT size in the 16-bit field; the last a FAT32 one with a root.
    const std::tuple<uint32_t, uint16_t, bool, FileSystemKind> cases[] = {
        {4084, 512, true, kFat12},  {4085, 512, true, kFat16}, {65524, 512, true, kFat16},
        {65525, 512, true, kFat16}, {65525, 0, false, kFat32}, {1000000, 0, false, kFat32},
        {65525, 512, false, kNone}};
    for (const auto& [clusters, rootEntries, fatSize16, expected] : cases) {
        EXPECT_EQ(LCVolume::DetectFileSystem(BootSector(clusters, rootEntries, fatSize16)),
                  expected)
            << clusters;
    }
}

TEST(FatClassificationTest, OddBootSectors) {
    using enum FileSystemKind;
    const std::tuple<const char*, size_t, std::string, FileSystemKind> cases[] = {
        {"near jump", 0, "\xE9", kFat12},
        {"no jump", 0, std::string(1, '\0'), kNone},
        {"0 bytes per sector", 11, std::string(2, '\0'), kNone},
        {"256 bytes per sector", 11, std::string("\0\x01", 2), kNone},
        {"1,536 bytes per sector", 11, std::string("\0\x06", 2), kNone},
        {"8,192 bytes per sector", 11, std::string("\0\x20", 2), kNone},
        {"4,096 bytes per sector", 11, std::string("\0\x10", 2), kFat12},
        {"0 sectors per cluster", 13, std::string(1, '\0'), kNone},
        {"FATs larger than the volume", 22, "\x60\xEA", kNone},
        {"NTFS", 3, "NTFS    ", kNtfs},
        {"NTFS without spaces", 3, "NTFS\t\t\t\t", kNtfs},
        {"ntfs in lower case", 3, "ntfs    ", kFat12},
        {"NTFS, any layout", 0, std::string("\0\0\0NTFS    \0\0\0", 14), kNtfs},
    };
    for (const auto& [what, offset, bytes, expected] : cases) {
        auto boot = BootSector(2000, 512, true);
        std::memcpy(&boot[offset], bytes.data(), bytes.size());
        EXPECT_EQ(LCVolume::DetectFileSystem(boot), expected) << what;
    }
}

time_t Utc(int year, int month, int day, int hour, int minute, int second) {
    auto days = std::chrono::sys_days{std::chrono::year{year} / month / day}.time_since_epoch();
    return std::chrono::seconds(days).count() + hour * 3600 + minute * 60 + second;
}

uint64_t FileTime(time_t unixTime) {
    return (static_cast<uint64_t>(unixTime) + 11644473600ULL) * 10000000ULL;
}

constexpr uint16_t Date(int year, int month, int day) {
    return static_cast<uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}
constexpr uint16_t Time(int hour, int minute, int second) {
    return static_cast<uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

// Local − UTC in hours, in July and in January.
std::pair<int, int> ZoneOffsets() {
    const char* tz = std::getenv("TZ");
    std::string name = tz ? tz : "";
    if (name == "Europe/Berlin") return {2, 1};
    if (name == "America/New_York") return {-4, -5};
    ADD_FAILURE() << "run with TZ=Europe/Berlin or TZ=America/New_York, not '" << name << "'";
    return {0, 0};
}

TEST(DosTimeTest, WordsAreLocalTime) {
    auto [summer, winter] = ZoneOffsets();
    const std::tuple<uint16_t, uint16_t, const char*, time_t> cases[] = {
        {Date(2021, 7, 4), Time(13, 45, 59), "2021-07-04T13:45:58",
         Utc(2021, 7, 4, 13 - summer, 45, 58)},
        {Date(2020, 1, 15), Time(8, 30, 0), "2020-01-15T08:30:00",
         Utc(2020, 1, 15, 8 - winter, 30, 0)},
    };
    for (const auto& [date, time, iso, utc] : cases) {
        SCOPED_TRACE(iso);
        DosTime t(date, time);
        EXPECT_EQ(t.ToIsoString(), iso);
        EXPECT_EQ(DosTime::FromPacked(t.Packed()).ToIsoString(), iso);
        auto when = t.ToUnixTime();
        ASSERT_TRUE(when.has_value());
        EXPECT_EQ(*when, utc);
        // And back: the same words, nothing shifted.
        EXPECT_EQ(DosTime::PackUnixTime(*when), t.Packed());
        EXPECT_EQ(DosTime::PackFileTime(FileTime(*when)), t.Packed());
    }
    // An odd second is rounded down to the 2-second unit.
    EXPECT_EQ(DosTime::PackFileTime(FileTime(Utc(2023, 1, 10, 12, 0, 1))),
              DosTime(Date(2023, 1, 10), Time(12 + winter, 0, 0)).Packed());
    // Before 1980 and after 2107 there is no FAT date.
    EXPECT_EQ(DosTime::PackFileTime(FileTime(Utc(1979, 6, 1, 12, 0, 0))), 0u);
    EXPECT_EQ(DosTime::PackFileTime(0), 0u);
    EXPECT_EQ(DosTime::PackFileTime(FileTime(Utc(2108, 6, 1, 12, 0, 0))), 0u);
}

TEST(DosTimeTest, InvalidWords) {
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
}

}  // namespace
}  // namespace lc
