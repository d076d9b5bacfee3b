// An AES-128 or AES-256 key schedule for one direction, with the block modes over it. The
// schedule is built by AES-NI or by the portable code (whichever is chosen when it is keyed) and
// always run by the same code. Wiped on Clear() and in the destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace lc {

class AesKey {
public:
    static constexpr size_t kBlockSize = 16;
    static constexpr size_t kSectorSize = 512;

    AesKey() = default;
    ~AesKey() { Clear(); }
    AesKey(const AesKey&) = delete;
    AesKey& operator=(const AesKey&) = delete;

    // key holds 16 or 32 bytes; false for any other length.
    bool Init(std::span<const uint8_t> key, bool forEncryption);
    void Clear() noexcept;

    bool IsEncryption() const { return m_encrypt; }
    int Rounds() const { return m_rounds; }

    // Block counts are whole blocks; in and out point to blocks × 16 bytes and may be equal.
    // ECB and CBC run in the key's direction.
    void Ecb(const uint8_t* in, uint8_t* out, size_t blocks) const;
    // iv: 16 bytes, replaced by the last cipher block.
    void Cbc(const uint8_t* in, uint8_t* out, size_t blocks, uint8_t* iv) const;
    // Output feedback over any length; needs an encryption key; iv (16 bytes) is not changed.
    void Ofb(const uint8_t* in, uint8_t* out, size_t length, const uint8_t* iv) const;
    // CBC in place over whole 512-byte sectors, each with the initial vector position (64-bit
    // little-endian) + 8 zero bytes, position growing by 512 per sector.
    void Sectors(uint8_t* data, size_t sectors, uint64_t position) const;

private:
    alignas(16) uint32_t m_roundKeys[60] = {};
    int m_rounds = 0;
    bool m_encrypt = false;
    bool m_aesNi = false;
};

}  // namespace lc
