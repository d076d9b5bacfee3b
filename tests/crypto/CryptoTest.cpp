// The cipher engines against OpenSSL and an independent key derivation, portable and automatic.
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <tuple>

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

// The mode call on data at an offset in a larger buffer, separate or in place; iv as left.
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
        const Bytes key = RandomBytes(rng, engine->KeyLength()), ivStart = RandomBytes(rng, 16);
        const Bytes data = RandomBytes(rng, length);
        SCOPED_TRACE("round " + std::to_string(round) + " length " + std::to_string(length));
        Bytes iv = ivStart;
        const Bytes expected = OpenSsl(key, mode, encrypt, iv, data);
        const Bytes actual = Product(engine, key, mode, encrypt ? ContextEncrypt : ContextDecrypt,
                                     iv, data, offset, inPlace);
        ASSERT_EQ(Hex(actual), Hex(expected));
        const Bytes& cipher = encrypt ? actual : data;
        EXPECT_EQ(iv,
                  mode == ModeCbc && length > 0 ? Bytes(cipher.end() - 16, cipher.end()) : ivStart);
    }
}

TEST_P(Crypto, ShaMatchesOpenSslOnRandomLengthsAndPieces) {
    std::mt19937 rng(77);
    for (int round = 0; round < 300; ++round) {
        const Bytes data = RandomBytes(rng, rng() % (round < 200 ? 300 : 5000));
        uint8_t want1[20], want256[32], got1[20], got256[32];
        ::SHA1(data.data(), data.size(), want1);
        ::SHA256(data.data(), data.size(), want256);
        Sha1::Digest(data, got1);
        ASSERT_EQ(Hex(got1), Hex(want1)) << data.size();
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
        EXPECT_EQ(engine->ProcessSectorsCbc(nullptr, buffer, 0), cipher_status::kNoContext);
    }
}

// Hash of UTF-16LE password (to a zero, <= 259 units) and salt, 20,000 more; AES-128 folds SHA-1.
Bytes IndependentDerivation(uint32_t algorithm, const std::u16string& password, const Bytes& salt) {
    Bytes message;
    for (size_t i = 0; i < password.size() && i < 259 && password[i] != 0; ++i) {
        message.push_back(static_cast<uint8_t>(password[i] & 0xFF));
        message.push_back(static_cast<uint8_t>(password[i] >> 8));
    }
    message.insert(message.end(), salt.begin(), salt.end());
    Bytes h(algorithm == 1 ? 32 : 20);
    auto hash = algorithm == 1 ? ::SHA256 : ::SHA1;
    hash(message.data(), message.size(), h.data());
    for (int i = 0; i < 20000; ++i) hash(h.data(), h.size(), h.data());
    if (algorithm == 1) return h;
    for (int i = 0; i < 4; ++i) h[12 + i] ^= h[16 + i];
    h.resize(16);
    return h;
}

TEST_P(Crypto, DeriveKeyMatchesAnIndependentComputation) {
    std::mt19937 rng(4242);
    std::u16string longPassword;
    for (int i = 0; i < 300; ++i) longPassword += static_cast<char16_t>(u'A' + i % 26);
    const std::pair<std::u16string, size_t> cases[] = {
        {u"Secret password 1", 64},
        {u"", 0},
        {u"P\u00e4ssw\u00f6rd \u20ac \U0001D11E \u65e5\u672c", 64},  // with a surrogate pair
        {longPassword, 17},                                          // longer than 259 units
        {std::u16string(u"abc\0def", 7), 64},                        // stops at the zero unit
    };
    for (uint32_t algorithm : {0u, 1u}) {
        CCryptoWrapper* engine = GetCipher(algorithm);
        for (const auto& [password, saltLength] : cases) {
            SCOPED_TRACE(std::to_string(algorithm) + " " + std::to_string(password.size()));
            const Bytes salt = RandomBytes(rng, saltLength);
            Bytes key(engine->KeyLength(), 0xEE);
            ASSERT_TRUE(engine->DeriveKey(password, salt, key));
            EXPECT_EQ(Hex(key), Hex(IndependentDerivation(algorithm, password, salt)));
        }
        // The output must have the engine's key length.
        Bytes wrong(engine->KeyLength() ^ 48), none;
        EXPECT_FALSE(engine->DeriveKey(std::u16string(u"pw"), {}, wrong));
        EXPECT_FALSE(engine->DeriveKey(std::u16string(u"pw"), {}, none));
    }
}

// Refused calls write nothing; only right-length keys make a context; bit 0x200 is the direction.
TEST_P(Crypto, RefusedCallsContextKeysAndDirection) {
    CCryptoWrapper* engine = GetCipher(1);
    std::unique_ptr<CipherContext> enc, dec, context;
    ASSERT_EQ(engine->CreateContext(Bytes(32, 0x11), ContextEncrypt, enc), 0);
    ASSERT_EQ(engine->CreateContext(Bytes(32, 0x11), ContextDecrypt, dec), 0);
    const Bytes in(512, 0x5A);
    Bytes iv(64, 0), noIv;
    // context, mode, length, with an IV, accepted
    const std::tuple<CipherContext*, int, size_t, bool, bool> cases[] = {
        {nullptr, ModeCbc, 16, true, false},    {dec.get(), ModeCbc, 16, false, false},
        {enc.get(), ModeOfb, 16, false, false}, {dec.get(), ModeCbc, 500, true, false},
        {enc.get(), ModeEcb, 500, true, false}, {dec.get(), ModeOfb, 16, true, false},
        {enc.get(), 3, 16, true, false},        {dec.get(), ModeEcb, 16, false, true},
        {enc.get(), ModeOfb, 500, true, true},  {dec.get(), ModeCbc, 0, true, true},
    };
    int n = 0;
    for (const auto& [ctx, mode, length, withIv, accepted] : cases) {
        Bytes out(512, 0xC3);
        const int32_t status = engine->Process(ctx, mode, {in.data(), length}, {out.data(), length},
                                               withIv ? iv : noIv);
        EXPECT_EQ(status == 0, accepted) << "case " << n;
        EXPECT_TRUE(accepted || out == Bytes(512, 0xC3)) << "case " << n++;
    }
    EXPECT_NE(GetCipher(1)->CreateContext(Bytes(16), ContextDecrypt, context), 0);
    EXPECT_NE(GetCipher(0)->CreateContext(Bytes(32), ContextDecrypt, context), 0);
    EXPECT_NE(GetCipher(0)->CreateContext(Bytes{}, ContextEncrypt, context), 0);
    EXPECT_EQ(context, nullptr);
    ASSERT_EQ(GetCipher(0)->CreateContext(Bytes(16), 0x200, context), 0);
    EXPECT_TRUE(context->IsEncryption());
    ASSERT_EQ(GetCipher(0)->CreateContext(Bytes(16), ContextDecrypt, context), 0);
    EXPECT_FALSE(context->IsEncryption());
    EXPECT_EQ(GetCipher(0)->DestroyContext(context), 0);
    EXPECT_EQ(context, nullptr);
}

TEST_P(Crypto, KeyBlocksAreOfbWithAZeroIv) {
    std::mt19937 rng(84);
    for (uint32_t algorithm : {0u, 1u}) {
        CCryptoWrapper* engine = GetCipher(algorithm);
        const Bytes key = RandomBytes(rng, engine->KeyLength());
        // 84 bytes: five blocks and a 4-byte tail.
        for (size_t length : {size_t{84}, size_t{96}}) {
            const Bytes block = RandomBytes(rng, length);
            Bytes once(length), twice(length), inPlace = block;
            ASSERT_TRUE(engine->EncryptKeyBlock(block, once, key));
            EXPECT_EQ(Hex(once), Hex(OpenSsl(key, ModeOfb, true, Bytes(16, 0), block)));
            ASSERT_TRUE(engine->DecryptKeyBlock(once, twice, key));
            EXPECT_EQ(twice, block);
            ASSERT_TRUE(engine->DecryptKeyBlock(inPlace, inPlace, key));
            EXPECT_EQ(inPlace, once);
        }
        Bytes out(84);
        EXPECT_FALSE(engine->EncryptKeyBlock(Bytes(84), out, Bytes(engine->KeyLength() ^ 48)));
        EXPECT_FALSE(engine->DecryptKeyBlock(Bytes(84), out, Bytes{}));
    }
}

TEST(Engines, HashAndGetCipher) {
    // Hash needs 20 bytes of room and zeroes the rest.
    const Bytes data = {'a', 'b', 'c'};
    Bytes room19(19, 0xAA), room(64, 0xAA);
    EXPECT_FALSE(GetCipher(0)->Hash(data, room19));
    EXPECT_EQ(room19, Bytes(19, 0xAA));
    ASSERT_TRUE(GetCipher(0)->Hash(data, room));
    EXPECT_EQ(Hex(room), "a9993e364706816aba3e25717850c26c9cd0d89d" + std::string(88, '0'));
    // One process-wide engine per algorithm id; none for other ids.
    EXPECT_EQ(GetCipher(1), GetCipher(1));
    for (uint32_t id : {2u, 3u, 0xFFFFFFFFu}) EXPECT_EQ(GetCipher(id), nullptr) << id;
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

TEST(Implementation, ContextKeepsTheCodeItWasKeyedWith) {
    const Bytes key(32, 0x42), data(256, 0x17), iv(16, 0x01);
    const CryptoImplementation previous = GetCryptoImplementation();
    for (auto first : {CryptoImplementation::Auto, CryptoImplementation::Portable}) {
        SetCryptoImplementation(first);
        std::unique_ptr<CipherContext> dec;
        ASSERT_EQ(GetCipher(1)->CreateContext(key, ContextDecrypt, dec), 0);
        SetCryptoImplementation(first == CryptoImplementation::Auto ? CryptoImplementation::Portable
                                                                    : CryptoImplementation::Auto);
        Bytes out(256), ivCopy = iv;
        ASSERT_EQ(GetCipher(1)->Process(dec.get(), ModeCbc, data, out, ivCopy), 0);
        EXPECT_EQ(out, OpenSsl(key, ModeCbc, false, iv, data));
    }
    SetCryptoImplementation(previous);
}

}  // namespace
}  // namespace lc
