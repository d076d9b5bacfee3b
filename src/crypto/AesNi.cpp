// Compiled with -maes -msse4.1 (see CMakeLists.txt); only reached after CPUID reported AES-NI.
#include "crypto/AesNi.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

namespace lc {
// From platform/SecureBuffer.h, declared here so that no library header is compiled with the
// extra instruction-set flags.
void SecureZero(void* data, size_t size) noexcept;
}  // namespace lc

namespace lc::aes_ni {
namespace {

constexpr size_t kBlock = 16;
constexpr size_t kSectorBlocks = 512 / kBlock;
// Eight independent blocks keep the AES unit busy while each round's result is pending.
constexpr size_t kLanes = 8;

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline void Store(uint8_t* p, __m128i v) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}
inline __m128i RoundKey(const uint32_t* keys, int round) {
    return _mm_load_si128(reinterpret_cast<const __m128i*>(keys) + round);
}

inline __m128i ShiftXor(__m128i key) {
    key = _mm_xor_si128(key, _mm_slli_si128(key, 4));
    key = _mm_xor_si128(key, _mm_slli_si128(key, 4));
    return _mm_xor_si128(key, _mm_slli_si128(key, 4));
}

template <int Rcon>
inline __m128i Next128(__m128i key) {
    __m128i assist = _mm_shuffle_epi32(_mm_aeskeygenassist_si128(key, Rcon), 0xFF);
    return _mm_xor_si128(ShiftXor(key), assist);
}

// The two halves of one AES-256 expansion step.
template <int Rcon>
inline __m128i Next256Even(__m128i twoBack, __m128i previous) {
    __m128i assist = _mm_shuffle_epi32(_mm_aeskeygenassist_si128(previous, Rcon), 0xFF);
    return _mm_xor_si128(ShiftXor(twoBack), assist);
}
inline __m128i Next256Odd(__m128i twoBack, __m128i previous) {
    __m128i assist = _mm_shuffle_epi32(_mm_aeskeygenassist_si128(previous, 0), 0xAA);
    return _mm_xor_si128(ShiftXor(twoBack), assist);
}

template <int Rounds>
inline __m128i EncryptOne(const uint32_t* keys, __m128i b) {
    b = _mm_xor_si128(b, RoundKey(keys, 0));
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) b = _mm_aesenc_si128(b, RoundKey(keys, r));
    return _mm_aesenclast_si128(b, RoundKey(keys, Rounds));
}

template <int Rounds>
inline __m128i DecryptOne(const uint32_t* keys, __m128i b) {
    b = _mm_xor_si128(b, RoundKey(keys, 0));
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) b = _mm_aesdec_si128(b, RoundKey(keys, r));
    return _mm_aesdeclast_si128(b, RoundKey(keys, Rounds));
}

template <int Rounds, bool Encrypt>
inline void EightBlocks(const uint32_t* keys, __m128i* b) {
    __m128i k = RoundKey(keys, 0);
#pragma GCC unroll 8
    for (size_t j = 0; j < kLanes; ++j) b[j] = _mm_xor_si128(b[j], k);
#pragma GCC unroll 14
    for (int r = 1; r < Rounds; ++r) {
        k = RoundKey(keys, r);
#pragma GCC unroll 8
        for (size_t j = 0; j < kLanes; ++j)
            b[j] = Encrypt ? _mm_aesenc_si128(b[j], k) : _mm_aesdec_si128(b[j], k);
    }
    k = RoundKey(keys, Rounds);
#pragma GCC unroll 8
    for (size_t j = 0; j < kLanes; ++j)
        b[j] = Encrypt ? _mm_aesenclast_si128(b[j], k) : _mm_aesdeclast_si128(b[j], k);
}

template <int Rounds, bool Encrypt>
void Ecb(const uint32_t* keys, const uint8_t* in, uint8_t* out, size_t blocks) {
    for (; blocks >= kLanes; blocks -= kLanes, in += kLanes * kBlock, out += kLanes * kBlock) {
        __m128i b[kLanes];
#pragma GCC unroll 8
        for (size_t j = 0; j < kLanes; ++j) b[j] = Load(in + j * kBlock);
        EightBlocks<Rounds, Encrypt>(keys, b);
#pragma GCC unroll 8
        for (size_t j = 0; j < kLanes; ++j) Store(out + j * kBlock, b[j]);
    }
    for (; blocks > 0; --blocks, in += kBlock, out += kBlock) {
        __m128i b = Load(in);
        Store(out, Encrypt ? EncryptOne<Rounds>(keys, b) : DecryptOne<Rounds>(keys, b));
    }
}

// Returns the last cipher block. All eight inputs of a group are loaded before any output is
// stored, so in == out works.
template <int Rounds>
__m128i CbcDecrypt(const uint32_t* keys, const uint8_t* in, uint8_t* out, size_t blocks,
                   __m128i previous) {
    for (; blocks >= kLanes; blocks -= kLanes, in += kLanes * kBlock, out += kLanes * kBlock) {
        __m128i c[kLanes];
        __m128i b[kLanes];
#pragma GCC unroll 8
        for (size_t j = 0; j < kLanes; ++j) b[j] = c[j] = Load(in + j * kBlock);
        EightBlocks<Rounds, false>(keys, b);
        Store(out, _mm_xor_si128(b[0], previous));
#pragma GCC unroll 8
        for (size_t j = 1; j < kLanes; ++j) Store(out + j * kBlock, _mm_xor_si128(b[j], c[j - 1]));
        previous = c[kLanes - 1];
    }
    for (; blocks > 0; --blocks, in += kBlock, out += kBlock) {
        __m128i c = Load(in);
        Store(out, _mm_xor_si128(DecryptOne<Rounds>(keys, c), previous));
        previous = c;
    }
    return previous;
}

template <int Rounds>
__m128i CbcEncrypt(const uint32_t* keys, const uint8_t* in, uint8_t* out, size_t blocks,
                   __m128i previous) {
    for (; blocks > 0; --blocks, in += kBlock, out += kBlock) {
        previous = EncryptOne<Rounds>(keys, _mm_xor_si128(Load(in), previous));
        Store(out, previous);
    }
    return previous;
}

template <int Rounds>
void OfbRun(const uint32_t* keys, const uint8_t* in, uint8_t* out, size_t length,
            const uint8_t* iv) {
    __m128i r = Load(iv);
    for (; length >= kBlock; length -= kBlock, in += kBlock, out += kBlock) {
        r = EncryptOne<Rounds>(keys, r);
        Store(out, _mm_xor_si128(Load(in), r));
    }
    if (length > 0) {
        alignas(16) uint8_t stream[kBlock];
        _mm_store_si128(reinterpret_cast<__m128i*>(stream), EncryptOne<Rounds>(keys, r));
        for (size_t j = 0; j < length; ++j) out[j] = static_cast<uint8_t>(in[j] ^ stream[j]);
        SecureZero(stream, sizeof stream);
    }
}

inline __m128i SectorIv(uint64_t position) {
    return _mm_set_epi64x(0, static_cast<long long>(position));
}

}  // namespace

int ExpandEncryptKey(const uint8_t* key, size_t keyLength, uint32_t* roundKeys) {
    __m128i* rk = reinterpret_cast<__m128i*>(roundKeys);
    if (keyLength == 16) {
        __m128i k = Load(key);
        _mm_store_si128(rk + 0, k);
        _mm_store_si128(rk + 1, k = Next128<0x01>(k));
        _mm_store_si128(rk + 2, k = Next128<0x02>(k));
        _mm_store_si128(rk + 3, k = Next128<0x04>(k));
        _mm_store_si128(rk + 4, k = Next128<0x08>(k));
        _mm_store_si128(rk + 5, k = Next128<0x10>(k));
        _mm_store_si128(rk + 6, k = Next128<0x20>(k));
        _mm_store_si128(rk + 7, k = Next128<0x40>(k));
        _mm_store_si128(rk + 8, k = Next128<0x80>(k));
        _mm_store_si128(rk + 9, k = Next128<0x1B>(k));
        _mm_store_si128(rk + 10, Next128<0x36>(k));
        return 10;
    }
    if (keyLength == 32) {
        __m128i a = Load(key);
        __m128i b = Load(key + 16);
        _mm_store_si128(rk + 0, a);
        _mm_store_si128(rk + 1, b);
        _mm_store_si128(rk + 2, a = Next256Even<0x01>(a, b));
        _mm_store_si128(rk + 3, b = Next256Odd(b, a));
        _mm_store_si128(rk + 4, a = Next256Even<0x02>(a, b));
        _mm_store_si128(rk + 5, b = Next256Odd(b, a));
        _mm_store_si128(rk + 6, a = Next256Even<0x04>(a, b));
        _mm_store_si128(rk + 7, b = Next256Odd(b, a));
        _mm_store_si128(rk + 8, a = Next256Even<0x08>(a, b));
        _mm_store_si128(rk + 9, b = Next256Odd(b, a));
        _mm_store_si128(rk + 10, a = Next256Even<0x10>(a, b));
        _mm_store_si128(rk + 11, b = Next256Odd(b, a));
        _mm_store_si128(rk + 12, a = Next256Even<0x20>(a, b));
        _mm_store_si128(rk + 13, b = Next256Odd(b, a));
        _mm_store_si128(rk + 14, Next256Even<0x40>(a, b));
        return 14;
    }
    return 0;
}

void MakeDecryptKey(const uint32_t* encryptKeys, uint32_t* decryptKeys, int rounds) {
    const __m128i* ek = reinterpret_cast<const __m128i*>(encryptKeys);
    __m128i* dk = reinterpret_cast<__m128i*>(decryptKeys);
    _mm_store_si128(dk, _mm_load_si128(ek + rounds));
    for (int r = 1; r < rounds; ++r)
        _mm_store_si128(dk + r, _mm_aesimc_si128(_mm_load_si128(ek + rounds - r)));
    _mm_store_si128(dk + rounds, _mm_load_si128(ek));
}

void EncryptEcb(const uint32_t* keys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks) {
    if (rounds == 10)
        Ecb<10, true>(keys, in, out, blocks);
    else
        Ecb<14, true>(keys, in, out, blocks);
}

void DecryptEcb(const uint32_t* keys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks) {
    if (rounds == 10)
        Ecb<10, false>(keys, in, out, blocks);
    else
        Ecb<14, false>(keys, in, out, blocks);
}

void EncryptCbc(const uint32_t* keys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks,
                uint8_t* iv) {
    __m128i last = rounds == 10 ? CbcEncrypt<10>(keys, in, out, blocks, Load(iv))
                                : CbcEncrypt<14>(keys, in, out, blocks, Load(iv));
    Store(iv, last);
}

void DecryptCbc(const uint32_t* keys, int rounds, const uint8_t* in, uint8_t* out, size_t blocks,
                uint8_t* iv) {
    __m128i last = rounds == 10 ? CbcDecrypt<10>(keys, in, out, blocks, Load(iv))
                                : CbcDecrypt<14>(keys, in, out, blocks, Load(iv));
    Store(iv, last);
}

void Ofb(const uint32_t* keys, int rounds, const uint8_t* in, uint8_t* out, size_t length,
         const uint8_t* iv) {
    if (rounds == 10)
        OfbRun<10>(keys, in, out, length, iv);
    else
        OfbRun<14>(keys, in, out, length, iv);
}

void DecryptSectors(const uint32_t* keys, int rounds, uint8_t* data, size_t sectors,
                    uint64_t position) {
    for (; sectors > 0; --sectors, data += 512, position += 512) {
        if (rounds == 10)
            CbcDecrypt<10>(keys, data, data, kSectorBlocks, SectorIv(position));
        else
            CbcDecrypt<14>(keys, data, data, kSectorBlocks, SectorIv(position));
    }
}

void EncryptSectors(const uint32_t* keys, int rounds, uint8_t* data, size_t sectors,
                    uint64_t position) {
    for (; sectors > 0; --sectors, data += 512, position += 512) {
        if (rounds == 10)
            CbcEncrypt<10>(keys, data, data, kSectorBlocks, SectorIv(position));
        else
            CbcEncrypt<14>(keys, data, data, kSectorBlocks, SectorIv(position));
    }
}

}  // namespace lc::aes_ni

#endif
