// libFuzzer target: LZNT1 chunks decoded into one compression unit of 64 KiB. Any status is
// fine; a crash, a sanitizer report or a hang is not.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fs/Lznt1.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::vector<uint8_t> unit(64u << 10);
    auto produced = lc::Lznt1::Decompress(std::span<const uint8_t>(data, size), unit);
    // A unit decoded, shorter than it: the reader's case of a unit with trailing zeros.
    if (produced.ok() && *produced > 0 && size > 2) {
        (void)lc::Lznt1::Decompress(std::span<const uint8_t>(data, size - 1),
                                    std::span<uint8_t>(unit).first(*produced - 1));
    }
    return 0;
}
