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

}  // namespace lc
