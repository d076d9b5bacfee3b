#include "crypto/Sha1.h"

#include "crypto/CryptoImplementation.h"
#include "crypto/MerkleDamgard.h"
#include "crypto/ShaNi.h"
#include "platform/SecureBuffer.h"

namespace lc {
namespace {

inline uint32_t Rotl(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

void CompressPortable(uint32_t* state, const uint8_t* data, size_t blocks) {
    uint32_t w[80];
    for (; blocks > 0; --blocks, data += md::kBlockSize) {
        for (int t = 0; t < 16; ++t) w[t] = LoadBe32(data + 4 * t);
        for (int t = 16; t < 80; ++t) w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
        for (int t = 0; t < 80; ++t) {
            uint32_t f, k;
            if (t < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999;
            } else if (t < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1;
            } else if (t < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDC;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6;
            }
            uint32_t temp = Rotl(a, 5) + f + e + k + w[t];
            e = d;
            d = c;
            c = Rotl(b, 30);
            b = a;
            a = temp;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
    }
    SecureZero(w, sizeof w);
}

}  // namespace

const uint32_t Sha1Traits::kInitialState[kStateWords] = {0x67452301, 0xEFCDAB89, 0x98BADCFE,
                                                         0x10325476, 0xC3D2E1F0};

md::CompressFunction Sha1Traits::Compressor() {
#if defined(__x86_64__) || defined(__i386__)
    if (UseShaNi()) return sha_ni::Sha1Compress;
#endif
    return CompressPortable;
}

}  // namespace lc
