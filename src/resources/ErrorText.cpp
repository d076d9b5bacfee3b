#include "resources/ErrorText.h"

#include <cstdio>

#include "platform/ErrorCodes.h"
#include "resources/StringIds.h"
#include "resources/StringTable.h"

namespace lc {

namespace {

// printf-style filling of a resource text; the resource decides the order of the fields.
template <class... Args>
std::string Format(const std::string& pattern, Args... args) {
    static_assert((!std::is_same_v<Args, Status> && ...), "pass status.code()");
    int length = std::snprintf(nullptr, 0, pattern.c_str(), args...);
    if (length <= 0) return {};
    std::string out(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(out.data(), out.size(), pattern.c_str(), args...);
    out.resize(static_cast<size_t>(length));
    return out;
}

}  // namespace

std::string FormatOpenError(Status code, Language language) {
    if (code == status::kInvalidFunction) return LoadString(str::kUnsupportedFileSystem, language);
    if (code == status::kErrNoKeyBlock) return LoadString(str::kNoPassword, language);
    if (code == status::kErrNotVolume) return LoadString(str::kNotVolume, language);
    return Format(std::string("%s (%u)"), FormatSystemError(code, language).c_str(), code.code());
}

std::string FormatSystemError(Status code, Language language) {
    if (auto system = SystemMessageText(code, language)) {
        return system->substr(0, system->find_first_of("\r\n"));
    }
    return Format(LoadString(str::kUnknownError, language), code.code(),
                  static_cast<int>(code.code() & 0xFFFF));
}

std::string StatusCodeText(Status code) {
    return Format(std::string("%u"), code.code());
}

std::string FormatOpenError(Status code) {
    return FormatOpenError(code, UserLanguage());
}

}  // namespace lc
