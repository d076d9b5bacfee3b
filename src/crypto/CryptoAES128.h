// The AES-128 engine: 16-byte keys, key derivation with SHA-1.
#pragma once

#include "crypto/CCryptoWrapper.h"

namespace lc {

class CryptoAES128 final : public CCryptoWrapper {
public:
    static constexpr size_t kKeyLength = 16;

    size_t KeyLength() const override { return kKeyLength; }
    bool DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                   std::span<uint8_t> keyOut) const override;
    bool EncryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                         std::span<const uint8_t> key) const override;
    bool DecryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                         std::span<const uint8_t> key) const override;
    int32_t Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                    std::span<uint8_t> output, std::span<uint8_t> iv) const override;
    int32_t CreateContext(std::span<const uint8_t> key, uint32_t flags,
                          std::unique_ptr<CipherContext>& contextOut) const override;
    int32_t DestroyContext(std::unique_ptr<CipherContext>& context) const override;
};

}  // namespace lc
