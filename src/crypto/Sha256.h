// SHA-256 (FIPS 180-2) with a begin/update/end interface (md::Hash). The chaining state is
// wiped in the destructor.
#pragma once

#include <cstddef>
#include <cstdint>

#include "crypto/MerkleDamgard.h"

namespace lc {

struct Sha256Traits {
    static constexpr size_t kDigestSize = 32;
    static constexpr size_t kStateWords = 8;
    static const uint32_t kInitialState[kStateWords];
    // The SHA-NI compression where the processor has it, else the portable one.
    static md::CompressFunction Compressor();
};

class Sha256 final : public md::Hash<Sha256Traits> {};

}  // namespace lc
