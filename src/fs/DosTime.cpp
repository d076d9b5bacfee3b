#include "fs/DosTime.h"

#include <cstdio>

namespace lc {

namespace {

constexpr int kFirstYear = 1980;
constexpr int kLastYear = 1980 + 127;
// Seconds between 1601-01-01 and 1970-01-01, and FILETIME ticks per second.
constexpr uint64_t kFileTimeEpochOffset = 11644473600ULL;
constexpr uint64_t kFileTimeTicksPerSecond = 10000000ULL;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && IsLeapYear(year)) return 29;
    return kDays[month - 1];
}

}  // namespace

uint32_t DosTime::PackLocal(const std::tm& local) {
    int year = local.tm_year + 1900;
    int month = local.tm_mon + 1;
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || local.tm_mday < 1 ||
        local.tm_mday > 31 || local.tm_hour < 0 || local.tm_hour > 23 || local.tm_min < 0 ||
        local.tm_min > 59 || local.tm_sec < 0) {
        return 0;
    }
    // A leap second counts as the last even second of its minute.
    int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    auto date = static_cast<uint16_t>(((year - kFirstYear) << 9) | (month << 5) | local.tm_mday);
    auto time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) | (second / 2));
    return Pack(date, time);
}

uint32_t DosTime::PackUnixTime(time_t when) {
    std::tm local{};
    if (!localtime_r(&when, &local)) return 0;
    return PackLocal(local);
}

uint32_t DosTime::PackFileTime(uint64_t fileTime) {
    uint64_t seconds = fileTime / kFileTimeTicksPerSecond;
    if (seconds < kFileTimeEpochOffset) return 0;
    uint64_t unixSeconds = seconds - kFileTimeEpochOffset;
    // Far beyond what the date word can hold; also keeps the cast to time_t exact.
    if (unixSeconds > (uint64_t{1} << 40)) return 0;
    return PackUnixTime(static_cast<time_t>(unixSeconds));
}

bool DosTime::IsValid() const {
    int month = Month();
    if (month < 1 || month > 12) return false;
    if (Day() < 1 || Day() > DaysInMonth(Year(), month)) return false;
    return Hour() <= 23 && Minute() <= 59 && Second() <= 59;
}

std::optional<time_t> DosTime::ToUnixTime() const {
    if (!IsValid()) return std::nullopt;
    std::tm local{};
    local.tm_year = Year() - 1900;
    local.tm_mon = Month() - 1;
    local.tm_mday = Day();
    local.tm_hour = Hour();
    local.tm_min = Minute();
    local.tm_sec = Second();
    local.tm_isdst = -1;  // let the zone's rules decide summer time
    time_t when = mktime(&local);
    if (when == static_cast<time_t>(-1)) return std::nullopt;
    return when;
}

std::string DosTime::ToIsoString() const {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", Year(), Month(), Day(),
                  Hour(), Minute(), Second());
    return text;
}

}  // namespace lc
