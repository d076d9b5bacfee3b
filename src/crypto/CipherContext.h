// A keyed AES instance for one direction, private to one caller for one run; the mode layer
// (ECB, CBC, OFB) with its status codes runs over it. Raw key and key schedule are wiped in the
// destructor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "crypto/AesKey.h"

namespace lc {

// Flags of CreateContext; only bit 0x200 (encrypt) has an effect.
inline constexpr uint32_t kContextEncryptBit = 0x200;
inline constexpr uint32_t ContextDecrypt = 0x4100;
inline constexpr uint32_t ContextEncrypt = 0x4200;

// Mode numbers of Process.
inline constexpr int ModeEcb = 1;
inline constexpr int ModeCbc = 2;
inline constexpr int ModeOfb = 4;

// Status codes of the mode layer (negative 32-bit).
namespace cipher_status {
inline constexpr int32_t kOk = 0;
inline constexpr int32_t kNoContext = -1;
inline constexpr int32_t kBadKeyLength = -2;
inline constexpr int32_t kBadLength = -5;
inline constexpr int32_t kNoIv = -6;
inline constexpr int32_t kNoMemory = -30051;
inline constexpr int32_t kBadMode = -30061;
inline constexpr int32_t kDestroyNoContext = -30079;
}  // namespace cipher_status

class CipherContext {
public:
    static constexpr size_t kIvSize = 16;

    ~CipherContext();
    CipherContext(const CipherContext&) = delete;
    CipherContext& operator=(const CipherContext&) = delete;

    // key must hold exactly keyLength bytes (the engine's length), else -2; -30051 when no
    // memory is left.
    static int32_t Create(std::span<const uint8_t> key, size_t keyLength, uint32_t flags,
                          std::unique_ptr<CipherContext>& contextOut);
    static int32_t Destroy(std::unique_ptr<CipherContext>& context);

    // The mode layer. The length is input.size(); output must be at least as long (else -5) and
    // may be the same buffer as input (not a partial overlap). iv: the caller's initial vector
    // buffer, at least 16 bytes; an empty or shorter span counts as no buffer (-6) except for
    // ModeEcb, which ignores it. On an error status the output is untouched.
    static int32_t Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                           std::span<uint8_t> output, std::span<uint8_t> iv);

    uint32_t Flags() const { return m_flags; }
    bool IsEncryption() const { return m_encrypt != 0; }
    const AesKey& Key() const { return m_aes; }

private:
    CipherContext() = default;

    uint32_t m_flags = 0;
    uint32_t m_encrypt = 0;
    uint8_t m_rawKey[32] = {};
    size_t m_rawKeyLength = 0;
    AesKey m_aes;
};

}  // namespace lc
