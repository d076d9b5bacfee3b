// SHA-256 (FIPS 180-2) with a begin/update/end interface. The chaining state is wiped in the
// destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lc {

class Sha256 {
public:
    static constexpr size_t kDigestSize = 32;

    Sha256() { Begin(); }
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Begin();
    void Update(std::span<const uint8_t> data);
    // Writes the digest and starts over.
    void End(std::span<uint8_t, kDigestSize> digest);

    static void Digest(std::span<const uint8_t> data, std::span<uint8_t, kDigestSize> digest);
    // digest = SHA-256(digest), count times.
    static void Iterate(std::span<uint8_t, kDigestSize> digest, uint32_t count);

private:
    uint32_t m_state[8];
    uint8_t m_buffer[64];
    size_t m_buffered = 0;
    uint64_t m_totalBytes = 0;
};

}  // namespace lc
