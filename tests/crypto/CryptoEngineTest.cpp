// The engines against OpenSSL on random data, key derivation against an independent computation,
// and the mode layer's status codes; each with both implementations.
#include <openssl/evp.h>
#include <openssl/sha.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "CryptoTestSupport.h"
#include "crypto/CCryptoWrapper.h"
#include "crypto/Sha1.h"
#include "crypto/Sha256.h"

namespace lc {
namespace {

using test::ToHex;
using Bytes = std::vector<uint8_t>;

class AgainstOpenSsl : public test::BothImplementations {};
class KeyDerivation : public test::BothImplementations {};
class ModeLayer : public test::BothImplementations {};
LC_BOTH_IMPLEMENTATIONS(AgainstOpenSsl);
LC_BOTH_IMPLEMENTATIONS(KeyDerivation);
LC_BOTH_IMPLEMENTATIONS(ModeLayer);

Bytes RandomBytes(std::mt19937& rng, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<uint8_t>(rng());
    return b;
}

const EVP_CIPHER* OpenSslCipher(size_t keyLength, int mode) {
    const bool big = keyLength == 32;
    switch (mode) {
        case ModeEcb:
            return big ? EVP_aes_256_ecb() : EVP_aes_128_ecb();
        case ModeCbc:
            return big ? EVP_aes_256_cbc() : EVP_aes_128_cbc();
        default:
            return big ? EVP_aes_256_ofb() : EVP_aes_128_ofb();
    }
}

Bytes OpenSsl(const Bytes& key, int mode, bool encrypt, const Bytes& iv, const Bytes& in) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    EVP_CipherInit_ex(ctx, OpenSslCipher(key.size(), mode), nullptr, key.data(),
                      iv.empty() ? nullptr : iv.data(), encrypt ? 1 : 0);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    Bytes out(in.size() + 32);
    int n = 0, tail = 0;
    EVP_CipherUpdate(ctx, out.data(), &n, in.data(), static_cast<int>(in.size()));
    EVP_CipherFinal_ex(ctx, out.data() + n, &tail);
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<size_t>(n + tail));
    return out;
}

// The product's mode call over data placed at offset in a larger buffer (misaligned when the
// offset is not a multiple of 16), separately or in place. iv is updated as the call leaves it.
Bytes Product(CCryptoWrapper* engine, const Bytes& key, int mode, bool encrypt, Bytes& iv,
              const Bytes& in, size_t offset, bool inPlace) {
    std::unique_ptr<CipherContext> context;
    EXPECT_EQ(engine->CreateContext(key, encrypt ? ContextEncrypt : ContextDecrypt, context), 0);
    Bytes source(in.size() + offset), target(in.size() + offset);
    std::copy(in.begin(), in.end(), source.begin() + static_cast<ptrdiff_t>(offset));
    uint8_t* out = (inPlace ? source.data() : target.data()) + offset;
    EXPECT_EQ(engine->Process(context.get(), mode, {source.data() + offset, in.size()},
                              {out, in.size()}, iv),
              0);
    engine->DestroyContext(context);
    return Bytes(out, out + in.size());
}

TEST_P(AgainstOpenSsl, ModesOnRandomKeysIvsAndLengths) {
    std::mt19937 rng(20261206);
    for (int round = 0; round < 400; ++round) {
        const uint32_t algorithm = round % 2;
        CCryptoWrapper* engine = GetCipher(algorithm);
        const int mode = (round / 2) % 3 == 0 ? ModeEcb : (round / 2) % 3 == 1 ? ModeCbc : ModeOfb;
        const bool encrypt = mode == ModeOfb || (round / 6) % 2 == 0;
        const size_t blocks = rng() % 70;
        const size_t length = mode == ModeOfb ? blocks * 16 + rng() % 16 : blocks * 16;
        const size_t offset = rng() % 16;
        const bool inPlace = (round / 12) % 2 == 1;
        const Bytes key = RandomBytes(rng, engine->KeyLength());
        const Bytes ivStart = RandomBytes(rng, 16);
        const Bytes data = RandomBytes(rng, length);
        SCOPED_TRACE("round " + std::to_string(round) + " mode " + std::to_string(mode) +
                     " length " + std::to_string(length) + " offset " + std::to_string(offset));
        Bytes iv = ivStart;
        const Bytes expected = OpenSsl(key, mode, encrypt, mode == ModeEcb ? Bytes{} : iv, data);
        const Bytes actual = Product(engine, key, mode, encrypt, iv, data, offset, inPlace);
        ASSERT_EQ(ToHex(actual), ToHex(expected));
        if (mode == ModeCbc && length > 0) {
            const Bytes& cipher = encrypt ? actual : data;
            EXPECT_EQ(ToHex(iv), ToHex(cipher.data() + length - 16, 16));
        } else {
            EXPECT_EQ(iv, ivStart);
        }
    }
}

TEST_P(AgainstOpenSsl, ShaOnRandomLengthsAndPieces) {
    std::mt19937 rng(77);
    for (int round = 0; round < 300; ++round) {
        const Bytes data = RandomBytes(rng, rng() % (round < 200 ? 300 : 5000));
        uint8_t want1[20], want256[32], got1[20], got256[32];
        ::SHA1(data.data(), data.size(), want1);
        ::SHA256(data.data(), data.size(), want256);
        Sha1::Digest(data, got1);
        ASSERT_EQ(ToHex(got1, 20), ToHex(want1, 20)) << data.size();
        Sha1 sha1;
        Sha256 sha256;
        sha256.Begin();
        for (size_t pos = 0; pos < data.size();) {
            size_t step = std::min<size_t>(rng() % 150, data.size() - pos);
            sha1.Update(std::span<const uint8_t>(data).subspan(pos, step));
            sha256.Update(std::span<const uint8_t>(data).subspan(pos, step));
            pos += step;
        }
        sha1.End(got1);
        sha256.End(got256);
        ASSERT_EQ(ToHex(got1, 20), ToHex(want1, 20)) << data.size();
        ASSERT_EQ(ToHex(got256, 32), ToHex(want256, 32)) << data.size();
    }
}

TEST_P(AgainstOpenSsl, SectorLoopMatchesPerSectorCbc) {
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
            Bytes sector(plain.begin() + static_cast<ptrdiff_t>(512 * s),
                         plain.begin() + static_cast<ptrdiff_t>(512 * s + 512));
            Bytes cipher = OpenSsl(key, ModeCbc, true, iv, sector);
            std::copy(cipher.begin(), cipher.end(),
                      expected.begin() + static_cast<ptrdiff_t>(512 * s));
        }
        std::unique_ptr<CipherContext> enc, dec;
        ASSERT_EQ(engine->CreateContext(key, ContextEncrypt, enc), 0);
        ASSERT_EQ(engine->CreateContext(key, ContextDecrypt, dec), 0);
        Bytes buffer = plain;
        ASSERT_EQ(engine->ProcessSectorsCbc(enc.get(), buffer, first), 0);
        EXPECT_EQ(ToHex(buffer), ToHex(expected));  // the partial tail is left as it was
        ASSERT_EQ(engine->ProcessSectorsCbc(dec.get(), buffer, first), 0);
        EXPECT_EQ(buffer, plain);
        // The same as the per-sector Process loop of the sector reader.
        Bytes perSector = expected;
        for (size_t s = 0; s < 7; ++s) {
            uint8_t iv[64] = {};
            for (int i = 0; i < 8; ++i) iv[i] = static_cast<uint8_t>((first + 512 * s) >> (8 * i));
            std::span<uint8_t> sector(perSector.data() + 512 * s, 512);
            ASSERT_EQ(engine->Process(dec.get(), ModeCbc, sector, sector, iv), 0);
        }
        EXPECT_EQ(perSector, buffer);
        EXPECT_EQ(engine->ProcessSectorsCbc(nullptr, buffer, 0), cipher_status::kNoContext);
    }
}

// DeriveKey recomputed with OpenSSL: hash of the UTF-16LE password (up to a zero unit, at most
// 259 units) and the salt, then 20,000 more hashes; AES-128 folds SHA-1's last 8 bytes.
Bytes IndependentDerivation(uint32_t algorithm, const std::u16string& password, const Bytes& salt) {
    Bytes message;
    for (size_t i = 0; i < password.size() && i < 259 && password[i] != 0; ++i) {
        message.push_back(static_cast<uint8_t>(password[i] & 0xFF));
        message.push_back(static_cast<uint8_t>(password[i] >> 8));
    }
    message.insert(message.end(), salt.begin(), salt.end());
    if (algorithm == 1) {
        Bytes k(32);
        ::SHA256(message.data(), message.size(), k.data());
        for (int i = 0; i < 20000; ++i) ::SHA256(k.data(), 32, k.data());
        return k;
    }
    Bytes h(20);
    ::SHA1(message.data(), message.size(), h.data());
    for (int i = 0; i < 20000; ++i) ::SHA1(h.data(), 20, h.data());
    Bytes k(h.begin(), h.begin() + 12);
    for (int i = 0; i < 4; ++i) k.push_back(static_cast<uint8_t>(h[12 + i] ^ h[16 + i]));
    return k;
}

TEST_P(KeyDerivation, MatchesAnIndependentComputation) {
    std::mt19937 rng(4242);
    std::u16string longPassword;
    for (int i = 0; i < 300; ++i) longPassword += static_cast<char16_t>(u'A' + i % 26);
    const struct {
        const char* name;
        std::u16string password;
        size_t saltLength;
    } cases[] = {
        {"ascii", u"Secret password 1", 64},
        {"empty password", u"", 64},
        {"empty password and salt", u"", 0},
        {"non-ASCII with a surrogate pair", u"P\u00e4ssw\u00f6rd \u20ac \U0001D11E \u65e5\u672c",
         64},
        {"longer than 259 units", longPassword, 17},
        {"stops at a zero unit", std::u16string(u"abc\0def", 7), 64},
    };
    for (uint32_t algorithm : {0u, 1u}) {
        CCryptoWrapper* engine = GetCipher(algorithm);
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(c.name) + " algorithm " + std::to_string(algorithm));
            const Bytes salt = RandomBytes(rng, c.saltLength);
            Bytes key(engine->KeyLength(), 0xEE);
            ASSERT_TRUE(engine->DeriveKey(c.password, salt, key));
            EXPECT_EQ(ToHex(key), ToHex(IndependentDerivation(algorithm, c.password, salt)));
        }
    }
    // Truncation and the zero unit really change the key against a plain reading.
    Bytes a(32), b(32);
    ASSERT_TRUE(GetCipher(1)->DeriveKey(std::u16string(u"abc\0def", 7), {}, a));
    ASSERT_TRUE(GetCipher(1)->DeriveKey(std::u16string(u"abc"), {}, b));
    EXPECT_EQ(a, b);
}

TEST_P(KeyDerivation, RefusesAKeyLengthOtherThanTheEngines) {
    Bytes key16(16), key32(32), none;
    EXPECT_FALSE(GetCipher(1)->DeriveKey(std::u16string(u"pw"), {}, key16));
    EXPECT_FALSE(GetCipher(0)->DeriveKey(std::u16string(u"pw"), {}, key32));
    EXPECT_FALSE(GetCipher(0)->DeriveKey(std::u16string(u"pw"), {}, none));
}

TEST_P(ModeLayer, StatusCodes) {
    CCryptoWrapper* engine = GetCipher(1);
    const Bytes key(32, 0x11);
    std::unique_ptr<CipherContext> enc, dec;
    ASSERT_EQ(engine->CreateContext(key, ContextEncrypt, enc), 0);
    ASSERT_EQ(engine->CreateContext(key, ContextDecrypt, dec), 0);
    EXPECT_TRUE(enc->IsEncryption());
    EXPECT_FALSE(dec->IsEncryption());
    EXPECT_EQ(dec->Flags(), ContextDecrypt);

    Bytes in(512, 0x5A), iv(64, 0), noIv;
    const struct {
        const char* name;
        CipherContext* context;
        int mode;
        size_t length;
        bool withIv;
        int32_t expected;
    } cases[] = {
        {"no context", nullptr, ModeCbc, 16, true, -1},
        {"no IV for CBC", dec.get(), ModeCbc, 16, false, -6},
        {"no IV for OFB", enc.get(), ModeOfb, 16, false, -6},
        {"no IV for an unknown mode", dec.get(), 3, 16, false, -6},
        {"ECB needs no IV", dec.get(), ModeEcb, 16, false, 0},
        {"CBC length 500", dec.get(), ModeCbc, 500, true, -5},
        {"ECB length 500", enc.get(), ModeEcb, 500, true, -5},
        {"OFB on a decryption context", dec.get(), ModeOfb, 16, true, -30061},
        {"unknown mode 3", enc.get(), 3, 16, true, -30061},
        {"unknown mode 0", enc.get(), 0, 16, true, -30061},
        {"OFB length 500", enc.get(), ModeOfb, 500, true, 0},
        {"CBC length 0", dec.get(), ModeCbc, 0, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes out(512, 0xC3);
        const Bytes before = out;
        int32_t status = engine->Process(c.context, c.mode, {in.data(), c.length},
                                         {out.data(), c.length}, c.withIv ? iv : noIv);
        EXPECT_EQ(status, c.expected);
        // A refused call writes nothing.
        if (status != 0) {
            EXPECT_EQ(out, before);
        }
    }

    // Key lengths other than the engine's.
    std::unique_ptr<CipherContext> context;
    EXPECT_EQ(GetCipher(1)->CreateContext(Bytes(16), ContextDecrypt, context), -2);
    EXPECT_EQ(GetCipher(0)->CreateContext(Bytes(32), ContextDecrypt, context), -2);
    EXPECT_EQ(GetCipher(0)->CreateContext(Bytes{}, ContextEncrypt, context), -2);
    EXPECT_EQ(context, nullptr);
    // Only bit 0x200 decides the direction.
    ASSERT_EQ(GetCipher(0)->CreateContext(Bytes(16), 0x200, context), 0);
    EXPECT_TRUE(context->IsEncryption());

    EXPECT_EQ(engine->DestroyContext(enc), 0);
    EXPECT_EQ(enc, nullptr);
    EXPECT_EQ(engine->DestroyContext(enc), -30079);
}

TEST_P(ModeLayer, KeyBlocksAndInPlaceCbc) {
    std::mt19937 rng(84);
    for (uint32_t algorithm : {0u, 1u}) {
        CCryptoWrapper* engine = GetCipher(algorithm);
        SCOPED_TRACE("algorithm " + std::to_string(algorithm));
        const Bytes key = RandomBytes(rng, engine->KeyLength());
        // 84 bytes: five blocks and a 4-byte tail; twice restores the input; equals OFB with a
        // zero IV in OpenSSL.
        for (size_t length : {size_t{84}, size_t{96}}) {
            const Bytes block = RandomBytes(rng, length);
            Bytes once(length), twice(length);
            ASSERT_TRUE(engine->EncryptKeyBlock(block, once, key));
            ASSERT_TRUE(engine->DecryptKeyBlock(once, twice, key));
            EXPECT_EQ(twice, block);
            EXPECT_EQ(ToHex(once), ToHex(OpenSsl(key, ModeOfb, true, Bytes(16, 0), block)));
            Bytes inPlace = block;
            ASSERT_TRUE(engine->DecryptKeyBlock(inPlace, inPlace, key));
            EXPECT_EQ(inPlace, once);
        }
        Bytes out(84);
        EXPECT_FALSE(engine->EncryptKeyBlock(Bytes(84), out, Bytes(engine->KeyLength() ^ 48)));
        EXPECT_FALSE(engine->DecryptKeyBlock(Bytes(84), out, Bytes{}));

        // CBC decryption in place over 512 bytes equals decryption into a separate buffer.
        std::unique_ptr<CipherContext> dec;
        ASSERT_EQ(engine->CreateContext(key, ContextDecrypt, dec), 0);
        const Bytes cipher = RandomBytes(rng, 512);
        Bytes separate(512), inPlace = cipher, iv1(16, 7), iv2(16, 7);
        ASSERT_EQ(engine->Process(dec.get(), ModeCbc, cipher, separate, iv1), 0);
        ASSERT_EQ(engine->Process(dec.get(), ModeCbc, inPlace, inPlace, iv2), 0);
        EXPECT_EQ(inPlace, separate);
        EXPECT_EQ(iv1, iv2);
    }
}

TEST_P(ModeLayer, HashZeroesTheRoomAndNeedsTwentyBytes) {
    const Bytes data = {'a', 'b', 'c'};
    Bytes room19(19, 0xAA);
    EXPECT_FALSE(GetCipher(0)->Hash(data, room19));
    EXPECT_EQ(room19, Bytes(19, 0xAA));
    Bytes room(64, 0xAA);
    ASSERT_TRUE(GetCipher(0)->Hash(data, room));
    EXPECT_EQ(ToHex(room.data(), 20), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(Bytes(room.begin() + 20, room.end()), Bytes(44, 0));
}

TEST(Engines, GetCipherGivesTheProcessWideInstances) {
    ASSERT_NE(GetCipher(0), nullptr);
    ASSERT_NE(GetCipher(1), nullptr);
    EXPECT_EQ(GetCipher(0), GetCipher(0));
    EXPECT_EQ(GetCipher(1), GetCipher(1));
    EXPECT_EQ(GetCipher(0)->KeyLength(), 16u);
    EXPECT_EQ(GetCipher(1)->KeyLength(), 32u);
    for (uint32_t id : {2u, 3u, 0xFFFFFFFFu}) EXPECT_EQ(GetCipher(id), nullptr) << id;
}

bool CpuHasFlag(const std::string& flag) {
    std::ifstream in("/proc/cpuinfo");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("flags", 0) != 0) continue;
        return (line + " ").find(" " + flag + " ") != std::string::npos;
    }
    return false;
}

TEST(Implementation, EnvironmentAndProcessorDecide) {
    const char* env = std::getenv("LCPORTABLE_FORCE_PORTABLE_CRYPTO");
    const bool forced = env != nullptr && std::strcmp(env, "1") == 0;
    EXPECT_EQ(GetCryptoImplementation(),
              forced ? CryptoImplementation::Portable : CryptoImplementation::Auto);
    EXPECT_EQ(UseAesNi(), !forced && CpuHasFlag("aes"));
    EXPECT_EQ(UseShaNi(), !forced && CpuHasFlag("sha_ni"));
    SetCryptoImplementation(CryptoImplementation::Portable);
    EXPECT_FALSE(UseAesNi());
    EXPECT_FALSE(UseShaNi());
    SetCryptoImplementation(CryptoImplementation::Auto);
    EXPECT_EQ(UseAesNi(), CpuHasFlag("aes"));
    SetCryptoImplementation(forced ? CryptoImplementation::Portable : CryptoImplementation::Auto);
}

TEST(Implementation, ContextKeepsTheCodeItWasKeyedWith) {
    const Bytes key(32, 0x42), data(256, 0x17), iv(16, 0x01);
    const Bytes expected = OpenSsl(key, ModeCbc, false, iv, data);
    const CryptoImplementation previous = GetCryptoImplementation();
    for (auto first : {CryptoImplementation::Auto, CryptoImplementation::Portable}) {
        SetCryptoImplementation(first);
        std::unique_ptr<CipherContext> dec;
        ASSERT_EQ(GetCipher(1)->CreateContext(key, ContextDecrypt, dec), 0);
        SetCryptoImplementation(first == CryptoImplementation::Auto ? CryptoImplementation::Portable
                                                                    : CryptoImplementation::Auto);
        Bytes out(256), ivCopy = iv;
        ASSERT_EQ(GetCipher(1)->Process(dec.get(), ModeCbc, data, out, ivCopy), 0);
        EXPECT_EQ(out, expected);
    }
    SetCryptoImplementation(previous);
}

}  // namespace
}  // namespace lc
