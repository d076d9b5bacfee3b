// The AES-128 engine: 16-byte keys, key derivation with SHA-1.
#pragma once

#include "crypto/CryptoAES.h"

namespace lc {

class CryptoAES128 final : public CryptoAES<16> {
public:
    bool DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                   std::span<uint8_t> keyOut) const override;
};

}  // namespace lc
