#pragma once

#include <cstdint>

namespace lc {

// The interface language: the two resource languages by their Windows language ids.
enum class Language : uint16_t { English = 1033, German = 1031 };

// German when LC_ALL, LC_MESSAGES or LANG (the first that is set and not empty) names German.
Language UserLanguage();

}  // namespace lc
