#include "crypto/Sha256.h"

#include "crypto/CryptoImplementation.h"
#include "crypto/MerkleDamgard.h"
#include "crypto/Sha256Constants.h"
#include "crypto/ShaNi.h"
#include "platform/SecureBuffer.h"

namespace lc {
namespace {

inline uint32_t Rotr(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}

void CompressPortable(uint32_t* state, const uint8_t* data, size_t blocks) {
    uint32_t w[64];
    for (; blocks > 0; --blocks, data += md::kBlockSize) {
        for (int t = 0; t < 16; ++t) w[t] = LoadBe32(data + 4 * t);
        for (int t = 16; t < 64; ++t) {
            uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
            uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
            w[t] = w[t - 16] + s0 + w[t - 7] + s1;
        }
        uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
        uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
        for (int t = 0; t < 64; ++t) {
            uint32_t s1 = Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25);
            uint32_t ch = (e & f) ^ (~e & g);
            uint32_t t1 = h + s1 + ch + kSha256RoundConstants[t] + w[t];
            uint32_t s0 = Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22);
            uint32_t maj = (a & b) ^ (a & c) ^ (b & c);
            uint32_t t2 = s0 + maj;
            h = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        state[0] += a;
        state[1] += b;
        state[2] += c;
        state[3] += d;
        state[4] += e;
        state[5] += f;
        state[6] += g;
        state[7] += h;
    }
    SecureZero(w, sizeof w);
}

}  // namespace

const uint32_t Sha256Traits::kInitialState[kStateWords] = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

md::CompressFunction Sha256Traits::Compressor() {
#if defined(__x86_64__) || defined(__i386__)
    if (UseShaNi()) return sha_ni::Sha256Compress;
#endif
    return CompressPortable;
}

}  // namespace lc
