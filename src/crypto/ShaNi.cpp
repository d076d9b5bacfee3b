// Compiled with -msha -msse4.1 -mssse3 (see CMakeLists.txt); only reached after CPUID reported
// the SHA extensions.
#include "crypto/ShaNi.h"

#include "crypto/Sha256Constants.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <utility>

namespace lc::sha_ni {
namespace {

inline __m128i Load(const uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

struct Sha1Lanes {
    __m128i abcd;
    __m128i e0;
    __m128i e1;
    __m128i msg[4];
};

// Rounds 4k to 4k + 3. The E operand alternates between e0 and e1; the message words for later
// steps are prepared in msg[] as their inputs become available.
template <int K>
inline __attribute__((always_inline)) void Sha1Step(Sha1Lanes& s, const uint8_t* data,
                                                    __m128i byteSwap) {
    __m128i& w = s.msg[K % 4];
    if constexpr (K < 4) w = _mm_shuffle_epi8(Load(data + 16 * K), byteSwap);
    __m128i& eCur = (K % 2 == 0) ? s.e0 : s.e1;
    __m128i& eOther = (K % 2 == 0) ? s.e1 : s.e0;
    if constexpr (K == 0)
        eCur = _mm_add_epi32(eCur, w);
    else
        eCur = _mm_sha1nexte_epu32(eCur, w);
    eOther = s.abcd;
    if constexpr (K >= 3 && K <= 18) s.msg[(K + 1) % 4] = _mm_sha1msg2_epu32(s.msg[(K + 1) % 4], w);
    s.abcd = _mm_sha1rnds4_epu32(s.abcd, eCur, K / 5);
    if constexpr (K >= 1 && K <= 16) s.msg[(K + 3) % 4] = _mm_sha1msg1_epu32(s.msg[(K + 3) % 4], w);
    if constexpr (K >= 2 && K <= 17) s.msg[(K + 2) % 4] = _mm_xor_si128(s.msg[(K + 2) % 4], w);
}

template <int... K>
inline __attribute__((always_inline)) void Sha1Rounds(Sha1Lanes& s, const uint8_t* data,
                                                      __m128i byteSwap,
                                                      std::integer_sequence<int, K...>) {
    (Sha1Step<K>(s, data, byteSwap), ...);
}

struct Sha256Lanes {
    __m128i state0;  // A B E F
    __m128i state1;  // C D G H
    __m128i msg[4];
};

template <int K>
inline __attribute__((always_inline)) void Sha256Step(Sha256Lanes& s, const uint8_t* data,
                                                      __m128i byteSwap) {
    __m128i& w = s.msg[K % 4];
    if constexpr (K < 4) w = _mm_shuffle_epi8(Load(data + 16 * K), byteSwap);
    __m128i m = _mm_add_epi32(
        w, _mm_load_si128(reinterpret_cast<const __m128i*>(kSha256RoundConstants) + K));
    s.state1 = _mm_sha256rnds2_epu32(s.state1, s.state0, m);
    if constexpr (K >= 3 && K <= 14) {
        __m128i& next = s.msg[(K + 1) % 4];
        next = _mm_add_epi32(next, _mm_alignr_epi8(w, s.msg[(K + 3) % 4], 4));
        next = _mm_sha256msg2_epu32(next, w);
    }
    m = _mm_shuffle_epi32(m, 0x0E);
    s.state0 = _mm_sha256rnds2_epu32(s.state0, s.state1, m);
    if constexpr (K >= 1 && K <= 12)
        s.msg[(K + 3) % 4] = _mm_sha256msg1_epu32(s.msg[(K + 3) % 4], w);
}

template <int... K>
inline __attribute__((always_inline)) void Sha256Rounds(Sha256Lanes& s, const uint8_t* data,
                                                        __m128i byteSwap,
                                                        std::integer_sequence<int, K...>) {
    (Sha256Step<K>(s, data, byteSwap), ...);
}

}  // namespace

void Sha1Compress(uint32_t* state, const uint8_t* data, size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0001020304050607LL, 0x08090a0b0c0d0e0fLL);
    Sha1Lanes s;
    s.abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1B);
    s.e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);
    s.e1 = _mm_setzero_si128();
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i abcdSave = s.abcd;
        const __m128i eSave = s.e0;
        Sha1Rounds(s, data, byteSwap, std::make_integer_sequence<int, 20>());
        // After the last (odd) step e0 holds A of the start of that step; E of the result is
        // its rotation, added to the saved E.
        s.e0 = _mm_sha1nexte_epu32(s.e0, eSave);
        s.abcd = _mm_add_epi32(s.abcd, abcdSave);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(s.abcd, 0x1B));
    state[4] = static_cast<uint32_t>(_mm_extract_epi32(s.e0, 3));
}

void Sha256Compress(uint32_t* state, const uint8_t* data, size_t blocks) {
    const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
    __m128i tmp = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i efgh = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    tmp = _mm_shuffle_epi32(tmp, 0xB1);    // C D A B
    efgh = _mm_shuffle_epi32(efgh, 0x1B);  // H G F E
    Sha256Lanes s;
    s.state0 = _mm_alignr_epi8(tmp, efgh, 8);     // A B E F
    s.state1 = _mm_blend_epi16(efgh, tmp, 0xF0);  // C D G H
    for (; blocks > 0; --blocks, data += 64) {
        const __m128i save0 = s.state0;
        const __m128i save1 = s.state1;
        Sha256Rounds(s, data, byteSwap, std::make_integer_sequence<int, 16>());
        s.state0 = _mm_add_epi32(s.state0, save0);
        s.state1 = _mm_add_epi32(s.state1, save1);
    }
    tmp = _mm_shuffle_epi32(s.state0, 0x1B);          // F E B A
    efgh = _mm_shuffle_epi32(s.state1, 0xB1);         // D C H G
    __m128i abcd = _mm_blend_epi16(tmp, efgh, 0xF0);  // D C B A
    efgh = _mm_alignr_epi8(efgh, tmp, 8);             // H G F E
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), abcd);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), efgh);
}

}  // namespace lc::sha_ni

#endif
