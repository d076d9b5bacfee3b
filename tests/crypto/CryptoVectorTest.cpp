// Known-answer vectors from files, one driver per family, each run with both implementations.
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "CryptoTestSupport.h"
#include "crypto/CCryptoWrapper.h"
#include "crypto/Sha1.h"
#include "crypto/Sha256.h"

namespace lc {
namespace {

using test::ToHex;

class AesVectors : public test::BothImplementations {};
class ShaVectors : public test::BothImplementations {};
LC_BOTH_IMPLEMENTATIONS(AesVectors);
LC_BOTH_IMPLEMENTATIONS(ShaVectors);

CCryptoWrapper* EngineFor(const std::string& section) {
    return GetCipher(section.rfind("AES-128", 0) == 0 ? 0 : 1);
}

int ModeFor(const std::string& section) {
    if (section.ends_with("ECB")) return ModeEcb;
    if (section.ends_with("CBC")) return ModeCbc;
    return ModeOfb;
}

// Runs one mode call on a copy of the data placed at an odd offset, into a separate buffer or
// in place, and returns the output; the IV buffer is updated as the mode layer leaves it.
std::vector<uint8_t> RunMode(CCryptoWrapper* engine, const std::vector<uint8_t>& key,
                             uint32_t flags, int mode, const std::vector<uint8_t>& data,
                             std::vector<uint8_t>& iv, bool inPlace, size_t offset) {
    std::unique_ptr<CipherContext> context;
    EXPECT_EQ(engine->CreateContext(key, flags, context), 0);
    std::vector<uint8_t> in(offset + data.size());
    std::vector<uint8_t> out(offset + data.size());
    std::copy(data.begin(), data.end(), in.begin() + static_cast<ptrdiff_t>(offset));
    std::span<const uint8_t> input(in.data() + offset, data.size());
    std::span<uint8_t> output(inPlace ? in.data() + offset : out.data() + offset, data.size());
    EXPECT_EQ(engine->Process(context.get(), mode, input, output, iv), 0);
    EXPECT_EQ(engine->DestroyContext(context), 0);
    return {output.begin(), output.end()};
}

TEST_P(AesVectors, EncryptAndDecryptGiveTheKnownAnswers) {
    auto vectors = test::ReadVectorFile("aes.vec");
    ASSERT_EQ(vectors.size(), 9u);
    for (const auto& v : vectors) {
        SCOPED_TRACE("aes.vec line " + std::to_string(v.line) + " " + v.section);
        CCryptoWrapper* engine = EngineFor(v.section);
        const int mode = ModeFor(v.section);
        const auto key = v.Bytes("Key");
        const auto plain = v.Bytes("In");
        const auto cipher = v.Bytes("Out");
        auto ivStart = v.Bytes("Iv");
        ivStart.resize(64, 0);
        ASSERT_EQ(key.size(), engine->KeyLength());
        for (bool inPlace : {false, true}) {
            for (size_t offset : {size_t{0}, size_t{3}}) {
                SCOPED_TRACE(std::string(inPlace ? "in place" : "separate") + " offset " +
                             std::to_string(offset));
                std::vector<uint8_t> iv = ivStart;
                EXPECT_EQ(
                    ToHex(RunMode(engine, key, ContextEncrypt, mode, plain, iv, inPlace, offset)),
                    ToHex(cipher));
                // CBC leaves the last cipher block in the IV buffer; OFB leaves it alone.
                if (mode == ModeCbc) {
                    EXPECT_EQ(ToHex(iv.data(), 16), ToHex(cipher.data() + cipher.size() - 16, 16));
                }
                if (mode == ModeOfb) {
                    EXPECT_EQ(iv, ivStart);
                }
                // OFB decrypts with the encryption direction.
                const uint32_t back = mode == ModeOfb ? ContextEncrypt : ContextDecrypt;
                iv = ivStart;
                EXPECT_EQ(ToHex(RunMode(engine, key, back, mode, cipher, iv, inPlace, offset)),
                          ToHex(plain));
                if (mode == ModeCbc) {
                    EXPECT_EQ(ToHex(iv.data(), 16), ToHex(cipher.data() + cipher.size() - 16, 16));
                }
            }
        }
    }
}

TEST_P(ShaVectors, DigestsGiveTheKnownAnswers) {
    auto vectors = test::ReadVectorFile("sha.vec");
    ASSERT_EQ(vectors.size(), 8u);
    for (const auto& v : vectors) {
        SCOPED_TRACE("sha.vec line " + std::to_string(v.line) + " " + v.section);
        const auto piece = v.Bytes("In");
        const size_t repeat = v.fields.count("Repeat") ? std::stoul(v.fields.at("Repeat")) : 1;
        std::vector<uint8_t> message;
        for (size_t i = 0; i < repeat; ++i)
            message.insert(message.end(), piece.begin(), piece.end());
        const std::string expected = v.fields.at("Out");
        if (v.section == "SHA-1") {
            uint8_t digest[20];
            Sha1::Digest(message, digest);
            EXPECT_EQ(ToHex(digest, 20), expected);
            // The engine's Hash is the same SHA-1.
            uint8_t room[20];
            EXPECT_TRUE(GetCipher(1)->Hash(message, room));
            EXPECT_EQ(ToHex(room, 20), expected);
        } else {
            uint8_t digest[32];
            Sha256::Digest(message, digest);
            EXPECT_EQ(ToHex(digest, 32), expected);
            // Fed in uneven pieces through begin/update/end.
            Sha256 hash;
            hash.Begin();
            for (size_t pos = 0, step = 1; pos < message.size(); pos += step, step = step * 3 + 1)
                hash.Update(std::span<const uint8_t>(message).subspan(
                    pos, std::min(step, message.size() - pos)));
            hash.End(digest);
            EXPECT_EQ(ToHex(digest, 32), expected);
        }
    }
}

}  // namespace
}  // namespace lc
