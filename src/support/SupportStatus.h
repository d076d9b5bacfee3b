// Result codes of the support layer (log, file wrapper, random generator). They are small
// negative 32-bit values; as lc::Status they read 0xFFFF8Axx.
#pragma once

#include <cstdint>

#include "platform/Status.h"

namespace lc::support {

inline constexpr Status kSuccess{0};
inline constexpr Status kFileOpenFailed{static_cast<uint32_t>(-30064)};   // 0xFFFF8A90
inline constexpr Status kIllegalArgument{static_cast<uint32_t>(-30067)};  // 0xFFFF8A8D
inline constexpr Status kNotInitialised{static_cast<uint32_t>(-30070)};   // 0xFFFF8A8A
inline constexpr Status kFileExists{4104};                                // 0x1008

}  // namespace lc::support
