// Block buffering and length padding shared by SHA-1 and SHA-256 (64-byte blocks, 64-bit
// big-endian bit count at the end), and the begin/update/end hash class both are made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "crypto/BigEndian.h"
#include "platform/SecureBuffer.h"

namespace lc::md {

inline constexpr size_t kBlockSize = 64;

using CompressFunction = void (*)(uint32_t* state, const uint8_t* data, size_t blocks);

inline void Absorb(uint32_t* state, uint8_t* buffer, size_t& buffered, uint64_t& totalBytes,
                   std::span<const uint8_t> data, CompressFunction compress) {
    if (data.empty()) return;
    totalBytes += data.size();
    const uint8_t* p = data.data();
    size_t n = data.size();
    if (buffered > 0) {
        size_t take = kBlockSize - buffered < n ? kBlockSize - buffered : n;
        std::memcpy(buffer + buffered, p, take);
        buffered += take;
        p += take;
        n -= take;
        if (buffered < kBlockSize) return;
        compress(state, buffer, 1);
        buffered = 0;
    }
    if (n >= kBlockSize) {
        compress(state, p, n / kBlockSize);
        p += n / kBlockSize * kBlockSize;
        n %= kBlockSize;
    }
    if (n > 0) std::memcpy(buffer, p, n);
    buffered = n;
}

// Pads the buffered tail and compresses it; the state then holds the digest words.
inline void Finish(uint32_t* state, uint8_t* buffer, size_t buffered, uint64_t totalBytes,
                   CompressFunction compress) {
    buffer[buffered++] = 0x80;
    if (buffered > kBlockSize - 8) {
        std::memset(buffer + buffered, 0, kBlockSize - buffered);
        compress(state, buffer, 1);
        buffered = 0;
    }
    std::memset(buffer + buffered, 0, kBlockSize - 8 - buffered);
    const uint64_t bits = totalBytes * 8;
    StoreBe32(buffer + kBlockSize - 8, static_cast<uint32_t>(bits >> 32));
    StoreBe32(buffer + kBlockSize - 4, static_cast<uint32_t>(bits));
    compress(state, buffer, 1);
}

// digest = H(digest) count times, for a digest shorter than one block: the padded block is built
// once and only the digest bytes change between rounds.
inline void Iterate(std::span<uint8_t> digest, const uint32_t* initialState, size_t stateWords,
                    uint32_t count, CompressFunction compress) {
    uint8_t block[kBlockSize] = {};
    uint32_t state[8];
    const size_t n = digest.size();
    std::memcpy(block, digest.data(), n);
    block[n] = 0x80;
    StoreBe32(block + kBlockSize - 4, static_cast<uint32_t>(n * 8));
    for (uint32_t round = 0; round < count; ++round) {
        std::memcpy(state, initialState, stateWords * sizeof(uint32_t));
        compress(state, block, 1);
        for (size_t i = 0; i < stateWords; ++i) StoreBe32(block + 4 * i, state[i]);
    }
    std::memcpy(digest.data(), block, n);
    SecureZero(block, sizeof block);
    // One more run over zeros overwrites what the last round left in the compression function's
    // stack frame.
    compress(state, block, 1);
    SecureZero(state, sizeof state);
}

// A hash with a begin/update/end interface. Traits gives kDigestSize, kStateWords, the
// kInitialState words and the Compressor() to use. The chaining state is wiped in the
// destructor.
template <class Traits>
class Hash {
public:
    static constexpr size_t kDigestSize = Traits::kDigestSize;

    Hash() { Begin(); }
    ~Hash() {
        SecureZero(m_state, sizeof m_state);
        SecureZero(m_buffer, sizeof m_buffer);
    }
    Hash(const Hash&) = delete;
    Hash& operator=(const Hash&) = delete;

    void Begin() {
        std::memcpy(m_state, Traits::kInitialState, sizeof m_state);
        SecureZero(m_buffer, sizeof m_buffer);
        m_buffered = 0;
        m_totalBytes = 0;
    }
    void Update(std::span<const uint8_t> data) {
        Absorb(m_state, m_buffer, m_buffered, m_totalBytes, data, Traits::Compressor());
    }
    // Writes the digest and starts over.
    void End(std::span<uint8_t, kDigestSize> digest) {
        Finish(m_state, m_buffer, m_buffered, m_totalBytes, Traits::Compressor());
        for (size_t i = 0; i < kDigestSize / 4; ++i) StoreBe32(digest.data() + 4 * i, m_state[i]);
        Begin();
    }

    // One-call digest of a buffer.
    static void Digest(std::span<const uint8_t> data, std::span<uint8_t, kDigestSize> digest) {
        Hash hash;
        hash.Update(data);
        hash.End(digest);
    }
    // digest = H(digest), count times.
    static void Iterate(std::span<uint8_t, kDigestSize> digest, uint32_t count) {
        md::Iterate(digest, Traits::kInitialState, Traits::kStateWords, count,
                    Traits::Compressor());
    }

private:
    uint32_t m_state[Traits::kStateWords];
    uint8_t m_buffer[kBlockSize];
    size_t m_buffered = 0;
    uint64_t m_totalBytes = 0;
};

}  // namespace lc::md
