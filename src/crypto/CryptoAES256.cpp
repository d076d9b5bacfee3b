#include "crypto/CryptoAES256.h"

#include "crypto/Sha256.h"

namespace lc {

bool CryptoAES256::DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                             std::span<uint8_t> keyOut) const {
    if (keyOut.size() != kKeyLength) return false;
    uint8_t passwordBytes[kMaxPasswordBytes];
    const size_t passwordLength = PasswordBytes(password, passwordBytes);
    Sha256 hash;
    hash.Update(std::span<const uint8_t>(passwordBytes, passwordLength));
    hash.Update(salt);
    hash.End(keyOut.first<Sha256::kDigestSize>());
    Sha256::Iterate(keyOut.first<Sha256::kDigestSize>(), kDerivationRounds);
    SecureZero(passwordBytes, sizeof passwordBytes);
    return true;
}

bool CryptoAES256::EncryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                   std::span<const uint8_t> key) const {
    return OfbKeyBlock(input, output, key);
}

bool CryptoAES256::DecryptKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                   std::span<const uint8_t> key) const {
    return OfbKeyBlock(input, output, key);
}

int32_t CryptoAES256::Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                              std::span<uint8_t> output, std::span<uint8_t> iv) const {
    return CipherContext::Process(context, mode, input, output, iv);
}

int32_t CryptoAES256::CreateContext(std::span<const uint8_t> key, uint32_t flags,
                                    std::unique_ptr<CipherContext>& contextOut) const {
    return CipherContext::Create(key, kKeyLength, flags, contextOut);
}

int32_t CryptoAES256::DestroyContext(std::unique_ptr<CipherContext>& context) const {
    return CipherContext::Destroy(context);
}

}  // namespace lc
