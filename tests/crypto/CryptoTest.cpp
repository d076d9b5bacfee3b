// The cipher engines against OpenSSL, portable and automatic; key derivation: LCHeaderTest.
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "crypto/CCryptoWrapper.h"
#include "crypto/CryptoImplementation.h"
#include "crypto/Sha1.h"
#include "crypto/Sha256.h"

namespace lc {
namespace {

using Bytes = std::vector<uint8_t>;

std::string Hex(std::span<const uint8_t> data) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : data) text.append({digits[b >> 4], digits[b & 15]});
    return text;
}

Bytes RandomBytes(std::mt19937& rng, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

Bytes OpenSsl(const Bytes& key, int mode, bool encrypt, const Bytes& iv, const Bytes& in) {
    const bool big = key.size() == 32;
    const EVP_CIPHER* cipher = mode == ModeEcb   ? (big ? EVP_aes_256_ecb() : EVP_aes_128_ecb())
                               : mode == ModeCbc ? (big ? EVP_aes_256_cbc() : EVP_aes_128_cbc())
                                                 : (big ? EVP_aes_256_ofb() : EVP_aes_128_ofb());
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, cipher, nullptr, key.data(), iv.data(), encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(in.size() + 32);
    int n = 0, tail = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size()));
    EVP_CipherFinal_ex(ctx, out.data() + n, &tail);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(n + tail));
    return out;
}

// The mode call on data at an offset in a larger buffer, separate or in place.
Bytes Product(CCryptoWrapper* engine, const Bytes& key, int mode, uint32_t flags, Bytes& iv,
              const Bytes& in, size_t offset, bool inPlace) {
    std::unique_ptr<CipherContext> context;
    EXPECT_EQ(engine->CreateContext(key, flags, context), 0);
    Bytes source(offset + in.size()), target(source.size());
    std::copy(in.begin(), in.end(), source.begin() + static_cast<ptrdiff_t>(offset));
    uint8_t* out = (inPlace ? source.data() : target.data()) + offset;
    EXPECT_EQ(engine->Process(context.get(), mode, {source.data() + offset, in.size()},
                              {out, in.size()}, iv),
              0);
    EXPECT_EQ(engine->DestroyContext(context), 0);
    return Bytes(out, out + in.size());
}

class Crypto : public ::testing::TestWithParam<CryptoImplementation> {
protected:
    void SetUp() override { SetCryptoImplementation(GetParam()); }
    void TearDown() override { SetCryptoImplementation(m_previous); }
    CryptoImplementation m_previous = GetCryptoImplementation();
};
INSTANTIATE_TEST_SUITE_P(
    , Crypto, ::testing::Values(CryptoImplementation::Portable, CryptoImplementation::Auto),
    [](const auto& p) {
        return std::string(p.param == CryptoImplementation::Portable ? "Portable" : "Auto");
    });

TEST_P(Crypto, ModesMatchOpenSslOnRandomKeysIvsAndLengths) {
    std::mt19937 rng(20261206);
    // Every algorithm, mode, direction and in-place choice, at random lengths and offsets.
    for (int round = 0; round < 400; ++round) {
        CCryptoWrapper* engine = GetCipher(round % 2);
        const int mode = (round / 2) % 3 == 0 ? ModeEcb : (round / 2) % 3 == 1 ? ModeCbc : ModeOfb;
        const bool encrypt = mode == ModeOfb || (round / 6) % 2 == 0;
        const bool inPlace = (round / 12) % 2 == 1;
        const size_t blocks = rng() % 70, offset = rng() % 16;
        const size_t length = mode == ModeOfb ? blocks * 16 + rng() % 16 : blocks * 16;
        const Bytes key = RandomBytes(rng, engine->KeyLength());
        Bytes iv = RandomBytes(rng, 16);
        const Bytes data = RandomBytes(rng, length);
        SCOPED_TRACE("round " + std::to_string(round) + " length " + std::to_string(length));
        const Bytes expected = OpenSsl(key, mode, encrypt, iv, data);
        const Bytes actual = Product(engine, key, mode, encrypt ? ContextEncrypt : ContextDecrypt,
                                     iv, data, offset, inPlace);
        ASSERT_EQ(Hex(actual), Hex(expected));
    }
}

TEST_P(Crypto, ShaMatchesOpenSslOnRandomLengthsAndPieces) {
    std::mt19937 rng(77);
    for (int round = 0; round < 300; ++round) {
        const Bytes data = RandomBytes(rng, rng() % (round < 200 ? 300 : 5000));
        uint8_t want1[20], want256[32], got1[20], got256[32];
        ::SHA1(data.data(), data.size(), want1);
        ::SHA256(data.data(), data.size(), want256);
        Sha1 sha1;
        Sha256 sha256;
        for (size_t pos = 0, step = 0; pos < data.size(); pos += step) {
            step = std::min<size_t>(rng() % 150, data.size() - pos);
            sha1.Update(std::span(data).subspan(pos, step));
            sha256.Update(std::span(data).subspan(pos, step));
        }
        sha1.End(got1);
        sha256.End(got256);
        ASSERT_EQ(Hex(got1), Hex(want1)) << data.size();
        ASSERT_EQ(Hex(got256), Hex(want256)) << data.size();
    }
}

TEST_P(Crypto, SectorLoopMatchesPerSectorCbc) {
    std::mt19937 rng(512);
    for (uint32_t algorithm : {0u, 1u}) {
        CCryptoWrapper* engine = GetCipher(algorithm);
        const Bytes key = RandomBytes(rng, engine->KeyLength());
        const uint64_t first = 512ull * 0x1'0000'0003ull;     // uses the high half of the position
        const Bytes plain = RandomBytes(rng, 7 * 512 + 100);  // 7 sectors and a partial one
        Bytes expected = plain;
        for (size_t s = 0; s < 7; ++s) {
            Bytes iv(16, 0);
            for (int i = 0; i < 8; ++i) iv[i] = static_cast<uint8_t>((first + 512 * s) >> (8 * i));
            const auto at = static_cast<ptrdiff_t>(512 * s);
            const Bytes cipher = OpenSsl(key, ModeCbc, true, iv,
                                         Bytes(plain.begin() + at, plain.begin() + at + 512));
            std::copy(cipher.begin(), cipher.end(), expected.begin() + at);
        }
        std::unique_ptr<CipherContext> enc, dec;
        ASSERT_EQ(engine->CreateContext(key, ContextEncrypt, enc), 0);
        ASSERT_EQ(engine->CreateContext(key, ContextDecrypt, dec), 0);
        Bytes buffer = plain;
        ASSERT_EQ(engine->ProcessSectorsCbc(enc.get(), buffer, first), 0);
        EXPECT_EQ(Hex(buffer), Hex(expected));  // the partial tail is left as it was
        ASSERT_EQ(engine->ProcessSectorsCbc(dec.get(), buffer, first), 0);
        EXPECT_EQ(buffer, plain);
    }
}

bool CpuHasFlag(const std::string& flag) {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line) && !line.starts_with("flags")) continue;
    return (line + " ").find(" " + flag + " ") != std::string::npos;
}

TEST(Implementation, EnvironmentAndProcessorDecide) {
    const char* env = std::getenv("LCPORTABLE_FORCE_PORTABLE_CRYPTO");
    const bool forced = env != nullptr && std::strcmp(env, "1") == 0;
    EXPECT_EQ(GetCryptoImplementation(),
              forced ? CryptoImplementation::Portable : CryptoImplementation::Auto);
    EXPECT_EQ(UseAesNi(), !forced && CpuHasFlag("aes"));
    EXPECT_EQ(UseShaNi(), !forced && CpuHasFlag("sha_ni"));
    SetCryptoImplementation(CryptoImplementation::Portable);
    EXPECT_FALSE(UseAesNi() || UseShaNi());
    SetCryptoImplementation(CryptoImplementation::Auto);
    EXPECT_EQ(UseAesNi(), CpuHasFlag("aes"));
    SetCryptoImplementation(forced ? CryptoImplementation::Portable : CryptoImplementation::Auto);
}

}  // namespace
}  // namespace lc
