// LZNT1, the compression of NTFS compressed files: a compression unit is a sequence of chunks,
// each holding up to 4 KiB of output, stored plain or as LZ77 tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "platform/Status.h"

namespace lc {

class Lznt1 {
public:
    static constexpr size_t kChunkBytes = 4096;

    // Decodes the chunks of input into output, in order, until a zero chunk header, the end of
    // input or a full output. A chunk that gives less than 4 KiB is padded with zeros when
    // another chunk follows it. Returns the bytes of output produced (what the rest of output
    // holds is undefined); 1392 for a chunk cut short, a back reference before the start of its
    // chunk or output that does not fit.
    static Result<size_t> Decompress(std::span<const uint8_t> input, std::span<uint8_t> output);
};

}  // namespace lc
