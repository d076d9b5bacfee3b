#include "crypto/CCryptoWrapper.h"

#include <algorithm>

#include "crypto/CryptoAES128.h"
#include "crypto/CryptoAES256.h"
#include "crypto/Sha1.h"

namespace lc {

bool CCryptoWrapper::Hash(std::span<const uint8_t> data, std::span<uint8_t> digestOut) const {
    if (digestOut.size() < Sha1::kDigestSize) return false;
    std::fill(digestOut.begin(), digestOut.end(), uint8_t{0});
    Sha1::Digest(data, digestOut.first<Sha1::kDigestSize>());
    return true;
}

int32_t CCryptoWrapper::ProcessSectorsCbc(CipherContext* context, std::span<uint8_t> sectors,
                                          uint64_t firstPosition) const {
    if (context == nullptr) return cipher_status::kNoContext;
    context->Key().Sectors(sectors.data(), sectors.size() / AesKey::kSectorSize, firstPosition);
    return cipher_status::kOk;
}

size_t CCryptoWrapper::PasswordBytes(std::span<const char16_t> password,
                                     uint8_t (&bytes)[kMaxPasswordBytes]) {
    size_t units = 0;
    while (units < password.size() && units < kMaxPasswordUnits && password[units] != 0) {
        bytes[2 * units] = static_cast<uint8_t>(password[units] & 0xFF);
        bytes[2 * units + 1] = static_cast<uint8_t>(password[units] >> 8);
        ++units;
    }
    return 2 * units;
}

bool CCryptoWrapper::OfbKeyBlock(std::span<const uint8_t> input, std::span<uint8_t> output,
                                 std::span<const uint8_t> key) const {
    if (key.size() != KeyLength()) return false;
    std::unique_ptr<CipherContext> context;
    if (CreateContext(key, ContextEncrypt, context) != cipher_status::kOk) return false;
    uint8_t iv[64] = {};
    int32_t result = Process(context.get(), ModeOfb, input, output, iv);
    DestroyContext(context);
    return result == cipher_status::kOk;
}

CCryptoWrapper* GetCipher(uint32_t algorithmId) {
    // Created on first request, alive until the process ends; engines hold no per-call state.
    switch (algorithmId) {
        case 0: {
            static CryptoAES128 engine;
            return &engine;
        }
        case 1: {
            static CryptoAES256 engine;
            return &engine;
        }
        default:
            return nullptr;
    }
}

}  // namespace lc
