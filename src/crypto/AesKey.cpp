#include "crypto/AesKey.h"

#include <cstring>

#include "crypto/AesNi.h"
#include "crypto/AesPortable.h"
#include "crypto/CryptoImplementation.h"
#include "platform/SecureBuffer.h"

namespace lc {
namespace {

void XorBlock(uint8_t* out, const uint8_t* a, const uint8_t* b) {
    for (size_t i = 0; i < AesKey::kBlockSize; ++i) out[i] = static_cast<uint8_t>(a[i] ^ b[i]);
}

}  // namespace

bool AesKey::Init(std::span<const uint8_t> key, bool forEncryption) {
    Clear();
    if (key.size() != 16 && key.size() != 32) return false;
    m_encrypt = forEncryption;
    m_aesNi = UseAesNi();
    if (m_aesNi) {
#if defined(__x86_64__) || defined(__i386__)
        alignas(16) uint32_t encryptKeys[60];
        m_rounds = aes_ni::ExpandEncryptKey(key.data(), key.size(), encryptKeys);
        if (forEncryption)
            std::memcpy(m_roundKeys, encryptKeys, sizeof encryptKeys);
        else
            aes_ni::MakeDecryptKey(encryptKeys, m_roundKeys, m_rounds);
        SecureZero(encryptKeys, sizeof encryptKeys);
#endif
    } else {
        uint32_t encryptKeys[60];
        m_rounds = aes_portable::ExpandEncryptKey(key.data(), key.size(), encryptKeys);
        if (forEncryption)
            std::memcpy(m_roundKeys, encryptKeys, sizeof encryptKeys);
        else
            aes_portable::MakeDecryptKey(encryptKeys, m_roundKeys, m_rounds);
        SecureZero(encryptKeys, sizeof encryptKeys);
    }
    return true;
}

void AesKey::Clear() noexcept {
    SecureZero(m_roundKeys, sizeof m_roundKeys);
    m_rounds = 0;
    m_encrypt = false;
    m_aesNi = false;
}

void AesKey::Ecb(const uint8_t* in, uint8_t* out, size_t blocks) const {
#if defined(__x86_64__) || defined(__i386__)
    if (m_aesNi) {
        if (m_encrypt)
            aes_ni::EncryptEcb(m_roundKeys, m_rounds, in, out, blocks);
        else
            aes_ni::DecryptEcb(m_roundKeys, m_rounds, in, out, blocks);
        return;
    }
#endif
    for (size_t i = 0; i < blocks; ++i, in += kBlockSize, out += kBlockSize) {
        if (m_encrypt)
            aes_portable::EncryptBlock(m_roundKeys, m_rounds, in, out);
        else
            aes_portable::DecryptBlock(m_roundKeys, m_rounds, in, out);
    }
}

void AesKey::Cbc(const uint8_t* in, uint8_t* out, size_t blocks, uint8_t* iv) const {
#if defined(__x86_64__) || defined(__i386__)
    if (m_aesNi) {
        if (m_encrypt)
            aes_ni::EncryptCbc(m_roundKeys, m_rounds, in, out, blocks, iv);
        else
            aes_ni::DecryptCbc(m_roundKeys, m_rounds, in, out, blocks, iv);
        return;
    }
#endif
    uint8_t block[kBlockSize];
    for (size_t i = 0; i < blocks; ++i, in += kBlockSize, out += kBlockSize) {
        if (m_encrypt) {
            XorBlock(block, in, iv);
            aes_portable::EncryptBlock(m_roundKeys, m_rounds, block, out);
            std::memcpy(iv, out, kBlockSize);
        } else {
            // The cipher block is kept before the output may overwrite it.
            uint8_t cipher[kBlockSize];
            std::memcpy(cipher, in, kBlockSize);
            aes_portable::DecryptBlock(m_roundKeys, m_rounds, cipher, block);
            XorBlock(out, block, iv);
            std::memcpy(iv, cipher, kBlockSize);
        }
    }
    SecureZero(block, sizeof block);
}

void AesKey::Ofb(const uint8_t* in, uint8_t* out, size_t length, const uint8_t* iv) const {
#if defined(__x86_64__) || defined(__i386__)
    if (m_aesNi) {
        aes_ni::Ofb(m_roundKeys, m_rounds, in, out, length, iv);
        return;
    }
#endif
    uint8_t reg[kBlockSize];
    std::memcpy(reg, iv, kBlockSize);
    while (length > 0) {
        aes_portable::EncryptBlock(m_roundKeys, m_rounds, reg, reg);
        size_t n = length < kBlockSize ? length : kBlockSize;
        for (size_t j = 0; j < n; ++j) out[j] = static_cast<uint8_t>(in[j] ^ reg[j]);
        in += n;
        out += n;
        length -= n;
    }
    SecureZero(reg, sizeof reg);
}

void AesKey::Sectors(uint8_t* data, size_t sectors, uint64_t position) const {
#if defined(__x86_64__) || defined(__i386__)
    if (m_aesNi) {
        if (m_encrypt)
            aes_ni::EncryptSectors(m_roundKeys, m_rounds, data, sectors, position);
        else
            aes_ni::DecryptSectors(m_roundKeys, m_rounds, data, sectors, position);
        return;
    }
#endif
    for (size_t s = 0; s < sectors; ++s, data += kSectorSize, position += kSectorSize) {
        uint8_t iv[kBlockSize] = {};
        for (int i = 0; i < 8; ++i) iv[i] = static_cast<uint8_t>(position >> (8 * i));
        Cbc(data, data, kSectorSize / kBlockSize, iv);
    }
}

}  // namespace lc
