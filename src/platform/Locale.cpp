#include "platform/Locale.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace lc {

Language UserLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0') continue;
        return std::strncmp(value, "de", 2) == 0 ? Language::German : Language::English;
    }
    return Language::English;
}

}  // namespace lc
