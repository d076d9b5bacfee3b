#include "platform/IniFile.h"

#include <limits.h>
#include <unistd.h>

#include <climits>
#include <span>

#include "platform/File.h"

namespace lc {

namespace {

constexpr size_t kMaxFileSize = 1 << 20;

std::string_view Trim(std::string_view s) {
    size_t b = 0;
    while (b < s.size() && (s[b] == ' ' || s[b] == '\t')) ++b;
    size_t e = s.size();
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t' || s[e - 1] == '\r')) --e;
    return s.substr(b, e - b);
}

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace

IniFile IniFile::FromText(std::string_view text) {
    IniFile ini;
    ini.m_loaded = true;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::string section;
    bool inSection = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            size_t close = line.find(']');
            if (close == std::string_view::npos) continue;
            section = std::string(Trim(line.substr(1, close - 1)));
            inSection = true;
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string_view::npos) continue;
        ini.m_entries.push_back(Entry{section, std::string(Trim(line.substr(0, eq))),
                                      std::string(Trim(line.substr(eq + 1)))});
    }
    return ini;
}

IniFile IniFile::Load(const std::string& path) {
    File file;
    if (file.OpenRead(path) != status::kSuccess) return IniFile();
    std::string text(kMaxFileSize, '\0');
    size_t total = 0;
    while (total < text.size()) {
        size_t got = 0;
        auto span = std::span<uint8_t>(reinterpret_cast<uint8_t*>(text.data()) + total,
                                       text.size() - total);
        if (file.ReadSome(span, got) != status::kSuccess) return IniFile();
        if (got == 0) break;
        total += got;
    }
    text.resize(total);
    return FromText(text);
}

IniFile IniFile::LoadFromCurrentDirectory(const std::string& fileName) {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd) == nullptr) return IniFile();
    std::string path = cwd;
    if (path.back() != '/') path += '/';
    path += fileName;
    // Too long for a path: the settings count as absent.
    if (path.size() >= PATH_MAX) return IniFile();
    return Load(path);
}

std::optional<std::string> IniFile::GetString(std::string_view section,
                                              std::string_view key) const {
    for (const auto& e : m_entries) {
        if (!EqualNoCase(e.section, section) || !EqualNoCase(e.key, key)) continue;
        std::string_view v = e.value;
        if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
            v = v.substr(1, v.size() - 2);
        return std::string(v);
    }
    return std::nullopt;
}

unsigned IniFile::GetInt(std::string_view section, std::string_view key,
                         unsigned defaultValue) const {
    auto value = GetString(section, key);
    if (!value) return defaultValue;
    unsigned long long result = 0;
    for (char c : *value) {
        if (c < '0' || c > '9') break;
        result = result * 10 + static_cast<unsigned>(c - '0');
        if (result > UINT_MAX) return UINT_MAX;
    }
    return static_cast<unsigned>(result);
}

}  // namespace lc
