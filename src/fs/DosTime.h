// FAT date and time words, and the packed form every DirInfo carries: the date word in the high
// half, the time word in the low half, local time, seconds in 2-second units.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace lc {

class DosTime {
public:
    DosTime() = default;
    DosTime(uint16_t dateWord, uint16_t timeWord) : m_date(dateWord), m_time(timeWord) {}
    static DosTime FromPacked(uint32_t packed) {
        return DosTime(static_cast<uint16_t>(packed >> 16), static_cast<uint16_t>(packed));
    }
    static uint32_t Pack(uint16_t dateWord, uint16_t timeWord) {
        return (static_cast<uint32_t>(dateWord) << 16) | timeWord;
    }

    // Packs a local calendar time (seconds rounded down to even); 0 when the year lies outside
    // 1980..2107 or a field is out of range.
    static uint32_t PackLocal(const std::tm& local);
    // Packs a point in time as the local time of the current time zone.
    static uint32_t PackUnixTime(time_t when);
    // Packs a UTC FILETIME (100 ns units since 1601) as local time.
    static uint32_t PackFileTime(uint64_t fileTime);

    uint16_t DateWord() const { return m_date; }
    uint16_t TimeWord() const { return m_time; }
    uint32_t Packed() const { return Pack(m_date, m_time); }

    int Year() const { return 1980 + (m_date >> 9); }
    int Month() const { return (m_date >> 5) & 15; }
    int Day() const { return m_date & 31; }
    int Hour() const { return m_time >> 11; }
    int Minute() const { return (m_time >> 5) & 63; }
    int Second() const { return (m_time & 31) * 2; }

    // A real calendar date and time of day (month 0, day 30 of February and 24:00 are not).
    bool IsValid() const;
    // The point in time this local time names in the current time zone; empty when invalid.
    std::optional<time_t> ToUnixTime() const;
    // "2024-03-01T14:22:08"; the fields as they are, also when invalid.
    std::string ToIsoString() const;

private:
    uint16_t m_date = 0;
    uint16_t m_time = 0;
};

}  // namespace lc
