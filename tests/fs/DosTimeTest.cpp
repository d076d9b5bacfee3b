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
    struct Case {
        uint16_t date, time;
        const char* iso;
        time_t utc;
    } cases[] = {
        {Date(2021, 7, 4), Time(13, 45, 59), "2021-07-04T13:45:58",
         Utc(2021, 7, 4, 13 - summer, 45, 58)},
        {Date(2020, 1, 15), Time(8, 30, 0), "2020-01-15T08:30:00",
         Utc(2020, 1, 15, 8 - winter, 30, 0)},
    };
    for (const Case& c : cases) {
        DosTime t(c.date, c.time);
        EXPECT_EQ(t.ToIsoString(), c.iso);
        EXPECT_EQ(DosTime::FromPacked(t.Packed()).ToIsoString(), c.iso);
        auto when = t.ToUnixTime();
        ASSERT_TRUE(when.has_value()) << c.iso;
        EXPECT_EQ(*when, c.utc) << c.iso;
        // And back: the same words, nothing shifted.
        EXPECT_EQ(DosTime::PackUnixTime(*when), t.Packed()) << c.iso;
        EXPECT_EQ(DosTime::PackFileTime(FileTime(*when)), t.Packed()) << c.iso;
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
    struct Case {
        uint16_t date, time;
        const char* what;
    } cases[] = {
        {Date(2021, 0, 4), 0, "month 0"},
        {Date(2021, 13, 4), 0, "month 13"},
        {Date(2021, 2, 29), 0, "29 February 2021"},
        {Date(2021, 4, 0), 0, "day 0"},
        {Date(2021, 4, 31), 0, "31 April"},
        {Date(2021, 4, 1), Time(24, 0, 0), "hour 24"},
        {Date(2021, 4, 1), Time(0, 60, 0), "minute 60"},
        {Date(2021, 4, 1), Time(0, 0, 60), "second 60"},
        {0, 0, "all zero"},
    };
    for (const Case& c : cases) {
        DosTime t(c.date, c.time);
        EXPECT_FALSE(t.IsValid()) << c.what;
        EXPECT_FALSE(t.ToUnixTime().has_value()) << c.what;
    }
    EXPECT_TRUE(DosTime(Date(2020, 2, 29), 0).IsValid());
}

}  // namespace
}  // namespace lc
