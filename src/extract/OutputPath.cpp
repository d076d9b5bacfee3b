#include "extract/OutputPath.h"

#include <sys/stat.h>

#include <cerrno>

#include "platform/ErrorCodes.h"
#include "platform/Text.h"

namespace lc {

std::string SafeOutputName(std::u16string_view name) {
    if (name.empty()) return "_";
    if (name == u".") return "_";
    if (name == u"..") return "__";
    std::u16string cleaned(name);
    for (char16_t& c : cleaned) {
        if (c == u'/' || c == u'\0') c = u'_';
    }
    return Utf16ToUtf8(cleaned);
}

std::string ShortenedName(const std::string& name, unsigned n) {
    if (name.size() <= kMaxNameBytes) return name;
    constexpr size_t kMaxExtensionBytes = 32;
    const std::string suffix = "~" + std::to_string(n);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > kMaxExtensionBytes)
        dot = name.size();
    const std::string extension = name.substr(dot);
    size_t keep = kMaxNameBytes - suffix.size() - extension.size();
    // Cut before a character, never inside one.
    while (keep > 0 && (static_cast<uint8_t>(name[keep]) & 0xC0) == 0x80) --keep;
    return name.substr(0, keep) + suffix + extension;
}

namespace {

// Another record of the same folder is written under name.
bool SiblingNamed(const DirInfo& record, const std::string& name) {
    if (record.parent == nullptr) return false;
    for (const DirInfo* f = record.parent->firstFile; f != nullptr; f = f->nextFile)
        if (f != &record && SafeOutputName(f->name) == name) return true;
    for (const DirInfo* d = record.parent->firstChild; d != nullptr; d = d->nextSibling)
        if (d != &record && SafeOutputName(d->name) == name) return true;
    return false;
}

}  // namespace

std::string ShortNameInFolder(const DirInfo& record, const std::string& safe,
                              const std::set<std::string>& given) {
    // Each try skips a name given or a sibling's: bounded by those.
    for (unsigned n = 1;; ++n) {
        std::string candidate = ShortenedName(safe, n);
        if (given.count(candidate) == 0 && !SiblingNamed(record, candidate)) return candidate;
    }
}

Status JoinOutputPath(const std::string& folder, std::u16string_view name, std::string& path) {
    const std::string safe = SafeOutputName(name);
    if (safe.size() > kMaxNameBytes) return status::kFilenameTooLong;
    std::string joined = folder;
    if (!joined.empty() && joined.back() != '/') joined += '/';
    joined += safe;
    if (joined.size() > kMaxPathBytes) return status::kFilenameTooLong;
    path = std::move(joined);
    return status::kSuccess;
}

Status CreateSubfolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return status::kSuccess;
    if (errno != EEXIST) return LastErrorStatus();
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return LastErrorStatus();
    return S_ISDIR(st.st_mode) ? status::kSuccess : status::kFileExists;
}

}  // namespace lc
