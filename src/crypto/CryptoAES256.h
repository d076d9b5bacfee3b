// The AES-256 engine: 32-byte keys, key derivation with SHA-256.
#pragma once

#include "crypto/CryptoAES.h"

namespace lc {

class CryptoAES256 final : public CryptoAES<32> {
public:
    bool DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                   std::span<uint8_t> keyOut) const override;
};

}  // namespace lc
