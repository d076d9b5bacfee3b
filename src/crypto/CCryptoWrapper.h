// The cipher engine interface: the header and sector code work with an algorithm id and never
// with a concrete cipher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "platform/SecureBuffer.h"

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

// A keyed AES instance for one direction, private to one caller for one run.
class CipherContext;

class CCryptoWrapper {
public:
    virtual ~CCryptoWrapper() = default;

    virtual size_t KeyLength() const = 0;

    // password: UTF-16 code units without terminator; salt may be empty.
    virtual bool DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                           std::span<uint8_t> keyOut) const = 0;
    virtual bool EncryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                 std::span<const uint8_t> key) const = 0;
    virtual bool DecryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                 std::span<const uint8_t> key) const = 0;
    // input and output have the same length and may be the same buffer. iv may be empty for
    // ModeEcb; otherwise it holds at least 16 bytes.
    virtual int32_t Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                            std::span<uint8_t> output, std::span<uint8_t> iv) const = 0;
    virtual int32_t CreateContext(std::span<const uint8_t> key, uint32_t flags,
                                  std::unique_ptr<CipherContext>& contextOut) const = 0;
    virtual int32_t DestroyContext(std::unique_ptr<CipherContext>& context) const = 0;

    // SHA-1 of data into the start of digestOut, whose remaining bytes are zeroed. False when
    // digestOut holds fewer than 20 bytes.
    bool Hash(std::span<const uint8_t> data, std::span<uint8_t> digestOut) const;
};

// The process-wide engine for an algorithm id: 0 AES-128, 1 AES-256; null for any other id.
CCryptoWrapper* GetCipher(uint32_t algorithmId);

}  // namespace lc
