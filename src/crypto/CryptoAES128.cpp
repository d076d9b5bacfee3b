#include "crypto/CryptoAES128.h"

#include "crypto/Sha1.h"

namespace lc {

bool CryptoAES128::DeriveKey(std::span<const char16_t> password, std::span<const uint8_t> salt,
                             std::span<uint8_t> keyOut) const {
    if (keyOut.size() != kKeyLength) return false;
    uint8_t passwordBytes[kMaxPasswordBytes];
    const size_t passwordLength = PasswordBytes(password, passwordBytes);
    uint8_t digest[Sha1::kDigestSize];
    Sha1 hash;
    hash.Update(std::span<const uint8_t>(passwordBytes, passwordLength));
    hash.Update(salt);
    hash.End(digest);
    Sha1::Iterate(digest, kDerivationRounds);
    // 20 digest bytes become 16: the last 8 are folded onto each other.
    for (size_t i = 0; i < 12; ++i) keyOut[i] = digest[i];
    for (size_t i = 0; i < 4; ++i)
        keyOut[12 + i] = static_cast<uint8_t>(digest[12 + i] ^ digest[16 + i]);
    SecureZero(passwordBytes, sizeof passwordBytes);
    SecureZero(digest, sizeof digest);
    return true;
}

}  // namespace lc
