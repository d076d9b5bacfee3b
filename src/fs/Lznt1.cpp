#include "fs/Lznt1.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/ByteReader.h"

namespace lc {

namespace {

constexpr uint16_t kSizeMask = 0x0FFF;    // chunk data bytes - 1
constexpr uint16_t kCompressed = 0x8000;  // else the chunk holds plain bytes
constexpr size_t kBlock = 16;             // bytes a back reference copies at a time

// Decodes one compressed chunk into out (at most 4 KiB); the number of bytes produced, or -1.
ptrdiff_t DecodeChunk(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize) {
    size_t i = 0;
    size_t o = 0;
    // Every flag group consumes at least one input byte, every token at least one: the input
    // size bounds both loops.
    while (i < inSize) {
        uint8_t flags = in[i++];
        // Eight literals in a row, the common case in data that hardly compresses.
        if (flags == 0 && inSize - i >= 8 && outSize - o >= 8) {
            std::memcpy(out + o, in + i, 8);
            i += 8;
            o += 8;
            continue;
        }
        for (int bit = 0; bit < 8 && i < inSize; ++bit, flags >>= 1) {
            if ((flags & 1) == 0) {
                if (o >= outSize) return -1;
                out[o++] = in[i++];
                continue;
            }
            if (inSize - i < 2) return -1;
            uint16_t token = static_cast<uint16_t>(in[i] | (in[i + 1] << 8));
            i += 2;
            if (o == 0) return -1;
            // The offset field widens as the chunk's output grows: 4 bits up to 16 bytes, one
            // more bit for each doubling, up to 12.
            unsigned offsetBits = std::max(4u, static_cast<unsigned>(std::bit_width(o - 1)));
            unsigned lengthBits = 16 - offsetBits;
            size_t offset = (token >> lengthBits) + 1u;
            size_t length = (token & ((1u << lengthBits) - 1)) + 3u;
            if (offset > o || length > outSize - o) return -1;
            uint8_t* dst = out + o;
            const uint8_t* src = dst - offset;
            if (offset >= kBlock && outSize - o >= length + kBlock) {
                // Whole blocks, the last one past the copy's end: what it writes there is
                // overwritten by the output that follows, or is past what the chunk gives.
                for (size_t k = 0; k < length; k += kBlock) std::memcpy(dst + k, src + k, kBlock);
            } else {
                // Short room, or overlapping: the copy repeats the last offset bytes.
                for (size_t k = 0; k < length; ++k) dst[k] = src[k];
            }
            o += length;
        }
    }
    return static_cast<ptrdiff_t>(o);
}

}  // namespace

Result<size_t> Lznt1::Decompress(std::span<const uint8_t> input, std::span<uint8_t> output) {
    using R = Result<size_t>;
    size_t in = 0;
    size_t out = 0;
    bool pad = false;  // the previous chunk gave less than a full chunk
    // Every chunk consumes at least three input bytes.
    while (out < output.size() && input.size() - in >= 2) {
        uint16_t header = LoadLe<uint16_t>(input.data() + in);
        if (header == 0) break;
        size_t size = (header & kSizeMask) + 1u;
        in += 2;
        if (size > input.size() - in) return R::Failure(status::kFileCorrupt);
        if (pad) {
            size_t fill = std::min(kChunkBytes - out % kChunkBytes, output.size() - out);
            std::memset(output.data() + out, 0, fill);
            out += fill;
            if (out == output.size()) return out;
        }
        size_t room = std::min(kChunkBytes, output.size() - out);
        size_t produced = 0;
        if (header & kCompressed) {
            ptrdiff_t n = DecodeChunk(input.data() + in, size, output.data() + out, room);
            if (n < 0) return R::Failure(status::kFileCorrupt);
            produced = static_cast<size_t>(n);
        } else {
            if (size > room) return R::Failure(status::kFileCorrupt);
            std::memcpy(output.data() + out, input.data() + in, size);
            produced = size;
        }
        in += size;
        out += produced;
        pad = produced < kChunkBytes;
    }
    return out;
}

}  // namespace lc
