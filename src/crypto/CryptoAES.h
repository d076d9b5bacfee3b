// What the two AES engines share: everything but the key derivation. Key blocks and the mode
// layer depend only on the key length.
#pragma once

#include "crypto/CCryptoWrapper.h"

namespace lc {

template <size_t KeyBytes>
class CryptoAES : public CCryptoWrapper {
public:
    static constexpr size_t kKeyLength = KeyBytes;

    size_t KeyLength() const final { return kKeyLength; }
    bool EncryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                         std::span<const uint8_t> key) const final {
        return OfbKeyBlock(input, output, key);
    }
    bool DecryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                         std::span<const uint8_t> key) const final {
        return OfbKeyBlock(input, output, key);
    }
    int32_t Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                    std::span<uint8_t> output, std::span<uint8_t> iv) const final {
        return CipherContext::Process(context, mode, input, output, iv);
    }
    int32_t CreateContext(std::span<const uint8_t> key, uint32_t flags,
                          std::unique_ptr<CipherContext>& contextOut) const final {
        return CipherContext::Create(key, kKeyLength, flags, contextOut);
    }
    int32_t DestroyContext(std::unique_ptr<CipherContext>& context) const final {
        return CipherContext::Destroy(context);
    }
};

}  // namespace lc
