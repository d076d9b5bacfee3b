// The cipher engine interface: the header and sector code work with an algorithm id and never
// with a concrete cipher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "crypto/CipherContext.h"
#include "platform/SecureBuffer.h"

namespace lc {

class CCryptoWrapper {
public:
    virtual ~CCryptoWrapper() = default;

    // 16 (AES-128) or 32 (AES-256).
    virtual size_t KeyLength() const = 0;

    // password: UTF-16 code units without terminator (used up to a zero unit, at most 259
    // units); salt may be empty. keyOut must hold exactly KeyLength() bytes, else false.
    virtual bool DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                           std::span<uint8_t> keyOut) const = 0;
    // OFB with a zero initial vector under key (KeyLength() bytes), so both are the same
    // operation. output must be at least as long as input; they may be the same buffer.
    virtual bool EncryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                 std::span<const uint8_t> key) const = 0;
    virtual bool DecryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                 std::span<const uint8_t> key) const = 0;
    // The mode layer (see CipherContext::Process): input and output have the same length and may
    // be the same buffer. iv may be empty for ModeEcb; otherwise it holds at least 16 bytes.
    virtual int32_t Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                            std::span<uint8_t> output, std::span<uint8_t> iv) const = 0;
    virtual int32_t CreateContext(std::span<const uint8_t> key, uint32_t flags,
                                  std::unique_ptr<CipherContext>& contextOut) const = 0;
    virtual int32_t DestroyContext(std::unique_ptr<CipherContext>& context) const = 0;

    // SHA-1 of data into the start of digestOut, whose remaining bytes are zeroed. False when
    // digestOut holds fewer than 20 bytes.
    bool Hash(std::span<const uint8_t> data, std::span<uint8_t> digestOut) const;

    // The sector loop in one call: for each whole 512-byte sector of sectors, in order, the same
    // as Process(context, ModeCbc, sector, sector, iv) with a fresh iv = position as 64-bit
    // little-endian + 8 zero bytes, position starting at firstPosition and growing by 512 per
    // sector. Decrypts or encrypts by the context's direction; a trailing partial sector is left
    // as it is. No allocation; AES-NI runs eight blocks at a time. -1 without a context, else 0.
    int32_t ProcessSectorsCbc(CipherContext* context, std::span<uint8_t> sectors,
                              uint64_t firstPosition) const;

protected:
    // Hash repetitions after the first hash of password + salt.
    static constexpr uint32_t kDerivationRounds = 20000;
    // Longest password used, in code units (a 260-unit working copy with its terminator).
    static constexpr size_t kMaxPasswordUnits = 259;
    static constexpr size_t kMaxPasswordBytes = 2 * kMaxPasswordUnits;

    // The password's UTF-16LE bytes up to its first zero unit, at most 259 units; returns the
    // byte count. The caller wipes the buffer.
    static size_t PasswordBytes(std::span<const char16_t> password,
                                uint8_t (&bytes)[kMaxPasswordBytes]);
    // The key-block operation: OFB under an encryption context with a zeroed IV buffer.
    bool OfbKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                     std::span<const uint8_t> key) const;
};

// The process-wide engine for an algorithm id: 0 AES-128, 1 AES-256; null for any other id.
CCryptoWrapper* GetCipher(uint32_t algorithmId);

}  // namespace lc
