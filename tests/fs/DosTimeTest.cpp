// FAT date and time words: kept as they are on disk, read as local time of the time zone the
// test runs in (registered once for Europe/Berlin and once for America/New_York).
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "fs/DosTime.h"

namespace lc {
namespace {

time_t Utc(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return timegm(&t);
}

uint64_t FileTime(time_t unixTime) {
    return (static_cast<uint64_t>(unixTime) + 11644473600ULL) * 10000000ULL;
}

struct Zone {
    int summerOffsetHours;  // local − UTC in July
    int winterOffsetHours;  // local − UTC in January
};

Zone CurrentZone() {
    const char* tz = std::getenv("TZ");
    std::string name = tz ? tz : "";
    if (name == "Europe/Berlin") return {2, 1};
    if (name == "America/New_York") return {-4, -5};
    ADD_FAILURE() << "run with TZ=Europe/Berlin or TZ=America/New_York, not '" << name << "'";
    return {0, 0};
}

TEST(DosTimeTest, FieldsOfTheWords) {
    DosTime t(0x52E4, 0x6C3D);  // 2021-07-04 13:33:58, seconds field 29
    EXPECT_EQ(t.Year(), 2021);
    EXPECT_EQ(t.Month(), 7);
    EXPECT_EQ(t.Day(), 4);
    EXPECT_EQ(t.Hour(), 13);
    EXPECT_EQ(t.Minute(), 33);
    EXPECT_EQ(t.Second(), 58);
    EXPECT_EQ(t.Packed(), 0x52E46C3Du);
    EXPECT_EQ(DosTime::FromPacked(0x52E46C3D).ToIsoString(), "2021-07-04T13:33:58");
}

TEST(DosTimeTest, WordsAreLocalTime) {
    Zone zone = CurrentZone();
    struct Case {
        uint16_t date, time;
        time_t utc;
    } cases[] = {
        // 2021-07-04 13:45:58 local
        {static_cast<uint16_t>((41 << 9) | (7 << 5) | 4),
         static_cast<uint16_t>((13 << 11) | (45 << 5) | 29),
         Utc(2021, 7, 4, 13 - zone.summerOffsetHours, 45, 58)},
        // 2020-01-15 08:30:00 local
        {static_cast<uint16_t>((40 << 9) | (1 << 5) | 15),
         static_cast<uint16_t>((8 << 11) | (30 << 5)),
         Utc(2020, 1, 15, 8 - zone.winterOffsetHours, 30, 0)},
    };
    for (const Case& c : cases) {
        DosTime t(c.date, c.time);
        auto when = t.ToUnixTime();
        ASSERT_TRUE(when.has_value()) << t.ToIsoString();
        EXPECT_EQ(*when, c.utc) << t.ToIsoString();
        // And back: the same words, nothing shifted.
        EXPECT_EQ(DosTime::PackUnixTime(*when), t.Packed()) << t.ToIsoString();
        EXPECT_EQ(DosTime::PackFileTime(FileTime(*when)), t.Packed()) << t.ToIsoString();
    }
}

TEST(DosTimeTest, FileTimeIsPackedAsLocalTime) {
    Zone zone = CurrentZone();
    // 2023-01-10 12:00:01 UTC: an odd second is rounded down to the 2-second unit.
    uint32_t packed = DosTime::PackFileTime(FileTime(Utc(2023, 1, 10, 12, 0, 1)));
    DosTime t = DosTime::FromPacked(packed);
    EXPECT_EQ(t.Hour(), 12 + zone.winterOffsetHours);
    EXPECT_EQ(t.Second(), 0);
    EXPECT_EQ(t.Day(), 10);
    // Before 1980 and after 2107 there is no FAT date.
    EXPECT_EQ(DosTime::PackFileTime(FileTime(Utc(1979, 6, 1, 12, 0, 0))), 0u);
    EXPECT_EQ(DosTime::PackFileTime(0), 0u);
    EXPECT_EQ(DosTime::PackFileTime(FileTime(Utc(2108, 6, 1, 12, 0, 0))), 0u);
}

TEST(DosTimeTest, InvalidWords) {
    struct Case {
        uint16_t date, time;
        const char* what;
    } cases[] = {
        {static_cast<uint16_t>((41 << 9) | (0 << 5) | 4), 0, "month 0"},
        {static_cast<uint16_t>((41 << 9) | (13 << 5) | 4), 0, "month 13"},
        {static_cast<uint16_t>((41 << 9) | (2 << 5) | 29), 0, "29 February 2021"},
        {static_cast<uint16_t>((41 << 9) | (4 << 5) | 0), 0, "day 0"},
        {static_cast<uint16_t>((41 << 9) | (4 << 5) | 31), 0, "31 April"},
        {static_cast<uint16_t>((41 << 9) | (4 << 5) | 1), static_cast<uint16_t>(24 << 11),
         "hour 24"},
        {static_cast<uint16_t>((41 << 9) | (4 << 5) | 1), static_cast<uint16_t>(60 << 5),
         "minute 60"},
        {static_cast<uint16_t>((41 << 9) | (4 << 5) | 1), 30, "second 60"},
        {0, 0, "all zero"},
    };
    for (const Case& c : cases) {
        DosTime t(c.date, c.time);
        EXPECT_FALSE(t.IsValid()) << c.what;
        EXPECT_FALSE(t.ToUnixTime().has_value()) << c.what;
    }
    EXPECT_TRUE(DosTime(static_cast<uint16_t>((40 << 9) | (2 << 5) | 29), 0).IsValid());
}

}  // namespace
}  // namespace lc
