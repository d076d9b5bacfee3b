// The profile-API stand-in for reading "LCPortable.ini": section and key lookup is
// case-insensitive, the first match wins, and the file is only ever read.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lc {

class IniFile {
public:
    // A missing or unreadable file gives an empty IniFile: every lookup falls back.
    static IniFile Load(const std::string& path);
    // The file in the current working directory (not the executable's).
    static IniFile LoadFromCurrentDirectory(const std::string& fileName);
    static IniFile FromText(std::string_view text);

    bool IsLoaded() const { return m_loaded; }
    // The value with surrounding blanks (and one pair of quotes) removed.
    std::optional<std::string> GetString(std::string_view section, std::string_view key) const;
    // The value's leading decimal digits; no digit first (or a minus sign) gives 0, a missing
    // key gives defaultValue.
    unsigned GetInt(std::string_view section, std::string_view key,
                    unsigned defaultValue = 0) const;

private:
    struct Entry {
        std::string section;
        std::string key;
        std::string value;
    };
    std::vector<Entry> m_entries;
    bool m_loaded = false;
};

}  // namespace lc
