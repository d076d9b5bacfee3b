// SHA-1 (FIPS 180-2). The chaining state is wiped in the destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lc {

class Sha1 {
public:
    static constexpr size_t kDigestSize = 20;

    Sha1() { Begin(); }
    ~Sha1();
    Sha1(const Sha1&) = delete;
    Sha1& operator=(const Sha1&) = delete;

    void Begin();
    void Update(std::span<const uint8_t> data);
    // Writes the digest and starts over.
    void End(std::span<uint8_t, kDigestSize> digest);

    // One-call digest of a buffer.
    static void Digest(std::span<const uint8_t> data, std::span<uint8_t, kDigestSize> digest);
    // digest = SHA-1(digest), count times.
    static void Iterate(std::span<uint8_t, kDigestSize> digest, uint32_t count);

private:
    uint32_t m_state[5];
    uint8_t m_buffer[64];
    size_t m_buffered = 0;
    uint64_t m_totalBytes = 0;
};

}  // namespace lc
