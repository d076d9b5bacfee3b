#include "crypto/CipherContext.h"

#include <cstring>
#include <new>

#include "platform/SecureBuffer.h"

namespace lc {

CipherContext::~CipherContext() {
    SecureZero(m_rawKey, sizeof m_rawKey);
}

int32_t CipherContext::Create(std::span<const uint8_t> key, size_t keyLength, uint32_t flags,
                              std::unique_ptr<CipherContext>& contextOut) {
    if ((keyLength != 16 && keyLength != 32) || key.size() != keyLength)
        return cipher_status::kBadKeyLength;
    std::unique_ptr<CipherContext> context(new CipherContext());
    context->m_flags = flags;
    context->m_encrypt = (flags & kContextEncryptBit) != 0 ? 1 : 0;
    std::memcpy(context->m_rawKey, key.data(), key.size());
    context->m_rawKeyLength = key.size();
    if (!context->m_aes.Init(key, context->m_encrypt != 0)) return cipher_status::kBadKeyLength;
    contextOut = std::move(context);
    return cipher_status::kOk;
}

int32_t CipherContext::Destroy(std::unique_ptr<CipherContext>& context) {
    if (!context) return cipher_status::kDestroyNoContext;
    context.reset();
    return cipher_status::kOk;
}

int32_t CipherContext::Process(CipherContext* context, int mode, std::span<const uint8_t> input,
                               std::span<uint8_t> output, std::span<uint8_t> iv) {
    if (context == nullptr) return cipher_status::kNoContext;
    if (mode != ModeEcb && iv.size() < kIvSize) return cipher_status::kNoIv;
    const size_t length = input.size();
    const AesKey& aes = context->m_aes;
    switch (mode) {
        case ModeEcb:
            if (length % AesKey::kBlockSize != 0 || output.size() < length)
                return cipher_status::kBadLength;
            aes.Ecb(input.data(), output.data(), length / AesKey::kBlockSize);
            return cipher_status::kOk;
        case ModeCbc:
            if (length % AesKey::kBlockSize != 0 || output.size() < length)
                return cipher_status::kBadLength;
            aes.Cbc(input.data(), output.data(), length / AesKey::kBlockSize, iv.data());
            return cipher_status::kOk;
        case ModeOfb:
            if (context->m_encrypt == 0) return cipher_status::kBadMode;
            if (output.size() < length) return cipher_status::kBadLength;
            aes.Ofb(input.data(), output.data(), length, iv.data());
            return cipher_status::kOk;
        default:
            return cipher_status::kBadMode;
    }
}

}  // namespace lc
