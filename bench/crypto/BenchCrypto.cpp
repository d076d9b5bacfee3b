// Sector decryption and key derivation speed of the cipher engines against OpenSSL doing the same
// work. Each figure is the best of several runs, so that other load on the machine shows less.
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "crypto/CCryptoWrapper.h"
#include "crypto/CryptoImplementation.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kSector = 512;
constexpr size_t kBufferBytes = 4 << 20;

double BestSeconds(int runs, const std::function<void()>& work) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto start = Clock::now();
        work();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

void PutPosition(uint8_t* iv, uint64_t position) {
    for (int i = 0; i < 8; ++i) iv[i] = static_cast<uint8_t>(position >> (8 * i));
}

// What the sector reader does per call: one context, then Process in place for every sector
// with a fresh IV buffer.
void ProductPerSector(lc::CCryptoWrapper* engine, const std::vector<uint8_t>& key,
                      std::vector<uint8_t>& buffer) {
    std::unique_ptr<lc::CipherContext> context;
    engine->CreateContext(key, lc::ContextDecrypt, context);
    uint64_t position = 0;
    for (size_t offset = 0; offset < buffer.size(); offset += kSector, position += kSector) {
        uint8_t iv[64] = {};
        PutPosition(iv, position);
        std::span<uint8_t> sector(buffer.data() + offset, kSector);
        engine->Process(context.get(), lc::ModeCbc, sector, sector, iv);
    }
    engine->DestroyContext(context);
}

void ProductSectorLoop(lc::CCryptoWrapper* engine, const std::vector<uint8_t>& key,
                       std::vector<uint8_t>& buffer) {
    std::unique_ptr<lc::CipherContext> context;
    engine->CreateContext(key, lc::ContextDecrypt, context);
    engine->ProcessSectorsCbc(context.get(), buffer, 0);
    engine->DestroyContext(context);
}

void OpenSslPerSector(const EVP_CIPHER* cipher, const std::vector<uint8_t>& key,
                      std::vector<uint8_t>& buffer) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_DecryptInit_ex(ctx, cipher, nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    uint64_t position = 0;
    for (size_t offset = 0; offset < buffer.size(); offset += kSector, position += kSector) {
        uint8_t iv[16] = {};
        PutPosition(iv, position);
        EVP_DecryptInit_ex(ctx, nullptr, nullptr, nullptr, iv);
        int n = 0;
        EVP_DecryptUpdate(ctx, buffer.data() + offset, &n, buffer.data() + offset,
                          static_cast<int>(kSector));
    }
    EVP_CIPHER_CTX_free(ctx);
}

// Not the same work: one CBC run over the whole buffer, OpenSSL's best case, for reference.
void OpenSslWholeBuffer(const EVP_CIPHER* cipher, const std::vector<uint8_t>& key,
                        std::vector<uint8_t>& buffer) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    uint8_t iv[16] = {};
    EVP_DecryptInit_ex(ctx, cipher, nullptr, key.data(), iv);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    int n = 0;
    EVP_DecryptUpdate(ctx, buffer.data(), &n, buffer.data(), static_cast<int>(buffer.size()));
    EVP_CIPHER_CTX_free(ctx);
}

double MBps(double seconds) {
    return static_cast<double>(kBufferBytes) / seconds / 1e6;
}

void SectorFigures(const char* name, uint32_t algorithm, const EVP_CIPHER* cipher) {
    std::mt19937 rng(1);
    lc::CCryptoWrapper* engine = lc::GetCipher(algorithm);
    std::vector<uint8_t> key(engine->KeyLength());
    for (auto& b : key) b = static_cast<uint8_t>(rng());
    std::vector<uint8_t> buffer(kBufferBytes);
    for (auto& b : buffer) b = static_cast<uint8_t>(rng());

    std::vector<uint8_t> a = buffer, b = buffer, c = buffer;
    OpenSslPerSector(cipher, key, a);
    ProductPerSector(engine, key, b);
    ProductSectorLoop(engine, key, c);
    const bool agree = a == b && a == c;

    // Decryption is a permutation of the buffer, so repeating it keeps working on fresh data.
    const double openssl = MBps(BestSeconds(15, [&] { OpenSslPerSector(cipher, key, buffer); }));
    const double whole = MBps(BestSeconds(15, [&] { OpenSslWholeBuffer(cipher, key, buffer); }));
    const double perSector = MBps(BestSeconds(15, [&] { ProductPerSector(engine, key, buffer); }));
    const double loop = MBps(BestSeconds(15, [&] { ProductSectorLoop(engine, key, buffer); }));
    lc::SetCryptoImplementation(lc::CryptoImplementation::Portable);
    const double portable = MBps(BestSeconds(3, [&] { ProductPerSector(engine, key, buffer); }));
    lc::SetCryptoImplementation(lc::CryptoImplementation::Auto);

    std::printf("%s sector decryption (512-byte sectors, fresh IV each, %zu MiB), outputs %s:\n",
                name, kBufferBytes >> 20, agree ? "agree" : "DIFFER");
    std::printf("  OpenSSL EVP, IV re-set per sector  %8.0f MB/s\n", openssl);
    std::printf("  Process per sector (ReadSectors)   %8.0f MB/s  ratio %.2f\n", perSector,
                perSector / openssl);
    std::printf("  ProcessSectorsCbc                  %8.0f MB/s  ratio %.2f\n", loop,
                loop / openssl);
    std::printf("  (OpenSSL EVP, one CBC run, no IVs  %8.0f MB/s, not the same work)\n", whole);
    std::printf("  Process per sector, portable code  %8.0f MB/s  ratio %.2f\n", portable,
                portable / openssl);
}

void DeriveFigures(const char* name, uint32_t algorithm) {
    lc::CCryptoWrapper* engine = lc::GetCipher(algorithm);
    const std::u16string password = u"correct horse battery staple";
    std::vector<uint8_t> salt(64, 0x5C);
    std::vector<uint8_t> message;
    for (char16_t c : password) {
        message.push_back(static_cast<uint8_t>(c & 0xFF));
        message.push_back(static_cast<uint8_t>(c >> 8));
    }
    message.insert(message.end(), salt.begin(), salt.end());
    std::vector<uint8_t> key(engine->KeyLength());
    uint8_t digest[32];
    volatile uint8_t sink = 0;

    const double openssl = BestSeconds(9, [&] {
        if (algorithm == 1) {
            SHA256(message.data(), message.size(), digest);
            for (int i = 0; i < 20000; ++i) SHA256(digest, 32, digest);
        } else {
            SHA1(message.data(), message.size(), digest);
            for (int i = 0; i < 20000; ++i) SHA1(digest, 20, digest);
        }
        sink = static_cast<uint8_t>(sink ^ digest[0]);
    });
    // The same loop through EVP with the digest fetched once and the context reused, which
    // avoids the one-shot functions' per-call lookup.
    EVP_MD* md = EVP_MD_fetch(nullptr, algorithm == 1 ? "SHA256" : "SHA1", nullptr);
    EVP_MD_CTX* mdCtx = EVP_MD_CTX_new();
    const unsigned digestLength = algorithm == 1 ? 32 : 20;
    const double opensslEvp = BestSeconds(9, [&] {
        unsigned n = 0;
        EVP_DigestInit_ex2(mdCtx, md, nullptr);
        EVP_DigestUpdate(mdCtx, message.data(), message.size());
        EVP_DigestFinal_ex(mdCtx, digest, &n);
        for (int i = 0; i < 20000; ++i) {
            EVP_DigestInit_ex2(mdCtx, md, nullptr);
            EVP_DigestUpdate(mdCtx, digest, digestLength);
            EVP_DigestFinal_ex(mdCtx, digest, &n);
        }
        sink = static_cast<uint8_t>(sink ^ digest[0]);
    });
    EVP_MD_CTX_free(mdCtx);
    EVP_MD_free(md);
    const double fastest = std::min(openssl, opensslEvp);
    const double product = BestSeconds(9, [&] {
        engine->DeriveKey(password, salt, key);
        sink = static_cast<uint8_t>(sink ^ key[0]);
    });
    lc::SetCryptoImplementation(lc::CryptoImplementation::Portable);
    const double portable = BestSeconds(3, [&] {
        engine->DeriveKey(password, salt, key);
        sink = static_cast<uint8_t>(sink ^ key[0]);
    });
    lc::SetCryptoImplementation(lc::CryptoImplementation::Auto);

    std::printf("%s DeriveKey (20,001 hashes):\n", name);
    std::printf("  OpenSSL loop, one-shot %-6s      %8.2f ms\n", algorithm == 1 ? "SHA256" : "SHA1",
                openssl * 1e3);
    std::printf("  OpenSSL loop, EVP, fetched digest  %8.2f ms\n", opensslEvp * 1e3);
    std::printf(
        "  DeriveKey                          %8.2f ms  ratio %.2f (time / faster OpenSSL)\n",
        product * 1e3, product / fastest);
    std::printf("  DeriveKey, portable code           %8.2f ms  ratio %.2f\n", portable * 1e3,
                portable / fastest);
}

}  // namespace

int main() {
    std::printf("AES-NI: %s, SHA-NI: %s\n\n", lc::UseAesNi() ? "yes" : "no",
                lc::UseShaNi() ? "yes" : "no");
    SectorFigures("AES-256", 1, EVP_aes_256_cbc());
    SectorFigures("AES-128", 0, EVP_aes_128_cbc());
    std::printf("\n");
    DeriveFigures("AES-256 (SHA-256)", 1);
    DeriveFigures("AES-128 (SHA-1)", 0);
    return 0;
}
