// Wrong-password records: one 48-byte value per volume name under Software\Kelmora\LCPortable
// in the volatile settings store, so retry delays survive restarts of the program but not of
// the machine.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace lc {

class LCPwd {
public:
    static constexpr size_t kRecordSize = 48;
    static constexpr size_t kMaxRecords = 10;
    static constexpr size_t kMaxNameUnits = 100;  // value name: first 100 UTF-16 units
    using Record = std::array<uint8_t, kRecordSize>;

    // The fields of a record; tag "LRU0" (UTF-16LE) at 0, time at 8, count at 16, pending at 20.
    struct Attempt {
        int64_t time = 0;  // seconds since 1970-01-01 UTC of the last wrong password
        uint32_t count = 0;
        uint32_t pending = 0;  // 1 until the delay has run out
    };
    static Record Encode(const Attempt& attempt);
    // Nothing unless the data is exactly 48 bytes and carries the tag.
    static std::optional<Attempt> Decode(std::span<const uint8_t> data);
    // 2, 5, 10, 20 seconds for counts 0-1, 2, 3, 4 and more.
    static unsigned DelayForCount(uint32_t count);
    static std::u16string ValueName(std::u16string_view volumeName);

    static LCPwd& Instance();
    // The records key becomes "Software\Kelmora\" + name.
    void SetApplicationName(std::string_view name);
    // Records go to the volatile store (without it: the persistent one).
    void SetVolatile();

    // Returns the delay in seconds for this failure.
    unsigned RecordFailure(std::u16string_view volumeName);
    bool ClearFailures(std::u16string_view volumeName);
    bool MarkDelayOver(std::u16string_view volumeName);

    // Raw access by value name (cut to 100 units).
    bool ReadRecord(std::u16string_view valueName, Record& record) const;
    bool WriteRecord(std::u16string_view valueName, const Record& record) const;
    bool DeleteRecord(std::u16string_view valueName) const;

    // For tests: the current time in seconds (null restores the clock).
    static void SetClockForTest(int64_t (*now)());

private:
    LCPwd() = default;
    std::string KeyPath() const;

    std::string m_subKey = "\\Fortalice Lockchamber";
    uint32_t m_options = 0;
};

}  // namespace lc
