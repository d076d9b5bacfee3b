// The numbered string resources in English and German. A missing id yields an empty text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Locale.h"

namespace lc {

// UTF-8 text of string resource id in the given language (English where German has none).
std::string LoadString(uint32_t id, Language language);
// In the user's interface language.
std::string LoadString(uint32_t id);

}  // namespace lc
