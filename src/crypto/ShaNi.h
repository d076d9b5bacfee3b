// SHA-1 and SHA-256 compression with the processor's SHA extensions. Call only when UseShaNi()
// is true. The implementation file is compiled with extra instruction-set flags, so this
// interface uses plain types only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lc::sha_ni {

// state: the 5 (SHA-1) or 8 (SHA-256) chaining words; data: blocks × 64 bytes.
void Sha1Compress(uint32_t* state, const uint8_t* data, size_t blocks);
void Sha256Compress(uint32_t* state, const uint8_t* data, size_t blocks);

}  // namespace lc::sha_ni
