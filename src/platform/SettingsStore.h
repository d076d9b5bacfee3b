// The registry stand-in: keys are folders, values are files holding name, type and data.
// Writes are atomic (temp file + rename); key folders are walked without following links.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Status.h"

namespace lc {

// Value types with the registry's numbers.
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegBinary = 3;
inline constexpr uint32_t kRegDword = 4;

struct SettingsValue {
    std::u16string name;
    uint32_t type = 0;
    std::vector<uint8_t> data;
};

class SettingsStore {
public:
    // Volatile: $XDG_RUNTIME_DIR/Kelmora/, else /tmp/Kelmora-<uid>/ (gone at reboot).
    // Persistent: $XDG_CONFIG_HOME/Kelmora/, else ~/.config/Kelmora/.
    enum class Scope { Volatile, Persistent };

    // Finds (and makes, 0700) the root of a scope; a root that is a link, not a folder or not
    // the user's gives 5.
    static Status Open(Scope scope, SettingsStore& store);

    SettingsStore() = default;
    explicit SettingsStore(std::string rootFolder) : m_root(std::move(rootFolder)) {}
    const std::string& root() const { return m_root; }

    // key: components separated by '\', e.g. "Software\\Kelmora\\LCPortable" (UTF-8).
    // SetValue creates the key as needed. GetValue/DeleteValue give 2 for a missing value.
    // Values larger than 1 MiB are refused (87).
    Status SetValue(std::string_view key, std::u16string_view name, uint32_t type,
                    std::span<const uint8_t> data);
    Status GetValue(std::string_view key, std::u16string_view name, uint32_t& type,
                    std::vector<uint8_t>& data) const;
    Status DeleteValue(std::string_view key, std::u16string_view name);
    // Every value of the key, ordered by file name; 2 when the key does not exist.
    Status EnumValues(std::string_view key, std::vector<SettingsValue>& values) const;

    // REG_SZ values: UTF-8 here, UTF-16LE with a terminating zero in the store.
    Status SetString(std::string_view key, std::u16string_view name, std::string_view text);
    Status GetString(std::string_view key, std::u16string_view name, std::string& text) const;

private:
    std::string m_root;
};

}  // namespace lc
