// mkvol: turns a plain disk image into a volume file, for tests only.
//
// Written against OpenSSL's libcrypto and nothing of the reader, so every test that reads a
// volume made here checks two independent implementations against each other.
//
//   mkvol [options] IMAGE OUT.vol
//
// The image size must be a multiple of 512. Options are listed in Usage() below.

#include <openssl/evp.h>
#include <openssl/rand.h>
#include <openssl/sha.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr size_t kHeaderSize = 0x11000;
constexpr size_t kSectorSize = 512;
constexpr char kMagic[] = "Lockchamber Virtual Disk\x1A";
constexpr size_t kMagicLength = 25;
constexpr size_t kVersionOffset = 40;
constexpr size_t kSaltOffset = 56;
constexpr size_t kSaltLength = 20;
constexpr size_t kAlgorithmOffset = 76;
constexpr size_t kNameOffset = 80;
constexpr size_t kNameUnits = 28;
constexpr size_t kCheckOffset = 136;
constexpr size_t kCheckLength = 16;
constexpr size_t kKeyBlockAOffset = 152;
constexpr size_t kKeyBlockBOffset = 236;
constexpr size_t kKeyBlockLength = 84;
constexpr size_t kChecksumOffset = 320;
constexpr size_t kChecksumLength = 20;
constexpr size_t kFormatLevelOffset = 340;
constexpr size_t kKeyRingAOffset = 536;
constexpr size_t kKeyRingBOffset = 1580;
constexpr size_t kExtendedAOffset = 2624;
constexpr size_t kExtendedBOffset = 2720;
constexpr size_t kExtendedLength = 96;
constexpr int kDeriveRounds = 20000;

struct Options {
    std::string passwordA, passwordB;
    bool hasA = false, hasB = false, extendedA = false, extendedB = false;
    long formatLevel = 0, algorithm = 1, version = 230;
    long keyringA = 0, keyringB = 0;
    std::string name;
    bool badChecksum = false;
    std::vector<uint8_t> salt, volumeKey, check;
    std::string image, output;
};

[[noreturn]] void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "mkvol: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
    std::exit(1);
}

void Usage() {
    std::fprintf(stderr,
                 "usage: mkvol [options] IMAGE OUT.vol\n"
                 "  --password-a PW | --password-b PW   key block A / B (UTF-8 password)\n"
                 "  --extended-a | --extended-b         use the 96-byte extended slot\n"
                 "  --format-level N (0)  --algorithm N (1)  --version N (230)\n"
                 "  --name TEXT  --keyring-a WORD  --keyring-b WORD  --bad-checksum\n"
                 "  --salt HEX (20 bytes)  --volume-key HEX  --check HEX (16 bytes)\n");
    std::exit(2);
}

std::vector<uint8_t> ParseHex(const std::string& text) {
    if (text.size() % 2 != 0) Fail("odd number of hex digits", text);
    std::vector<uint8_t> out;
    for (size_t i = 0; i < text.size(); i += 2) {
        char* end = nullptr;
        std::string pair = text.substr(i, 2);
        unsigned long v = std::strtoul(pair.c_str(), &end, 16);
        if (*end != '\0') Fail("bad hex", text);
        out.push_back(static_cast<uint8_t>(v));
    }
    return out;
}

long ParseNumber(const std::string& text) {
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0') Fail("bad number", text);
    return v;
}

// UTF-8 to UTF-16 code units (no validation beyond what tests need).
std::u16string Utf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        uint32_t c = static_cast<uint8_t>(s[i]);
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        c &= extra == 0 ? 0x7F : extra == 1 ? 0x1F : extra == 2 ? 0x0F : 0x07;
        for (int k = 1; k <= extra && i + k < s.size(); ++k)
            c = (c << 6) | (static_cast<uint8_t>(s[i + k]) & 0x3F);
        i += static_cast<size_t>(extra) + 1;
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

void Put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

size_t KeyLength(long algorithm) {
    return algorithm == 0 ? 16 : 32;
}

// The password's UTF-16LE bytes and the salt hashed once, the digest hashed 20,000 more times.
std::vector<uint8_t> DeriveKey(const std::string& password, const std::vector<uint8_t>& salt,
                               long algorithm) {
    std::vector<uint8_t> input;
    for (char16_t u : Utf16(password)) {
        input.push_back(static_cast<uint8_t>(u));
        input.push_back(static_cast<uint8_t>(u >> 8));
    }
    input.insert(input.end(), salt.begin(), salt.end());
    if (algorithm == 0) {
        uint8_t h[SHA_DIGEST_LENGTH];
        SHA1(input.data(), input.size(), h);
        for (int i = 0; i < kDeriveRounds; ++i) SHA1(h, sizeof h, h);
        std::vector<uint8_t> key(h, h + 12);
        for (int i = 0; i < 4; ++i) key.push_back(h[12 + i] ^ h[16 + i]);
        return key;
    }
    uint8_t k[SHA256_DIGEST_LENGTH];
    SHA256(input.data(), input.size(), k);
    for (int i = 0; i < kDeriveRounds; ++i) SHA256(k, sizeof k, k);
    return std::vector<uint8_t>(k, k + sizeof k);
}

const EVP_CIPHER* Cipher(size_t keyLength, bool cbc) {
    if (keyLength == 16) return cbc ? EVP_aes_128_cbc() : EVP_aes_128_ofb();
    return cbc ? EVP_aes_256_cbc() : EVP_aes_256_ofb();
}

// Check value, volume key, a 32-bit value and (extended) 12 spare bytes, AES-OFB with zero IV.
void WriteKeyBlock(uint8_t* header, size_t offset, size_t length, const std::string& password,
                   const Options& o) {
    std::vector<uint8_t> plain(length, 0);
    std::memcpy(plain.data(), o.check.data(), kCheckLength);
    std::memcpy(plain.data() + kCheckLength, o.volumeKey.data(), o.volumeKey.size());
    std::vector<uint8_t> key = DeriveKey(password, o.salt, o.algorithm);
    uint8_t iv[16] = {};
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0, tail = 0;
    if (!ctx || !EVP_EncryptInit_ex(ctx, Cipher(key.size(), false), nullptr, key.data(), iv) ||
        !EVP_EncryptUpdate(ctx, header + offset, &n, plain.data(), static_cast<int>(length)) ||
        !EVP_EncryptFinal_ex(ctx, header + offset + n, &tail))
        Fail("key block encryption failed");
    EVP_CIPHER_CTX_free(ctx);
}

Options ParseArguments(int argc, char** argv) {
    Options o;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) Usage();
            return argv[++i];
        };
        if (a == "--password-a") {
            o.passwordA = value();
            o.hasA = true;
        } else if (a == "--password-b") {
            o.passwordB = value();
            o.hasB = true;
        } else if (a == "--extended-a") {
            o.extendedA = true;
        } else if (a == "--extended-b") {
            o.extendedB = true;
        } else if (a == "--format-level") {
            o.formatLevel = ParseNumber(value());
        } else if (a == "--algorithm") {
            o.algorithm = ParseNumber(value());
        } else if (a == "--version") {
            o.version = ParseNumber(value());
        } else if (a == "--name") {
            o.name = value();
        } else if (a == "--keyring-a") {
            o.keyringA = ParseNumber(value());
        } else if (a == "--keyring-b") {
            o.keyringB = ParseNumber(value());
        } else if (a == "--bad-checksum") {
            o.badChecksum = true;
        } else if (a == "--salt") {
            o.salt = ParseHex(value());
        } else if (a == "--volume-key") {
            o.volumeKey = ParseHex(value());
        } else if (a == "--check") {
            o.check = ParseHex(value());
        } else if (a.size() > 1 && a[0] == '-') {
            Usage();
        } else {
            positional.push_back(a);
        }
    }
    if (positional.size() != 2) Usage();
    o.image = positional[0];
    o.output = positional[1];
    auto randomFill = [](std::vector<uint8_t>& v, size_t n) {
        if (!v.empty()) return;
        v.resize(n);
        if (RAND_bytes(v.data(), static_cast<int>(n)) != 1) Fail("no random bytes");
    };
    randomFill(o.salt, kSaltLength);
    randomFill(o.check, kCheckLength);
    randomFill(o.volumeKey, KeyLength(o.algorithm));
    if (o.salt.size() != kSaltLength) Fail("the salt must be 20 bytes");
    if (o.check.size() != kCheckLength) Fail("the check value must be 16 bytes");
    if (o.volumeKey.size() != KeyLength(o.algorithm)) Fail("the volume key has the wrong length");
    return o;
}

std::vector<uint8_t> BuildHeader(const Options& o) {
    std::vector<uint8_t> h(kHeaderSize, 0);
    std::memcpy(h.data(), kMagic, kMagicLength);
    Put32(&h[kVersionOffset], static_cast<uint32_t>(o.version));
    std::memcpy(&h[kSaltOffset], o.salt.data(), kSaltLength);
    Put32(&h[kAlgorithmOffset], static_cast<uint32_t>(o.algorithm));
    std::u16string name = Utf16(o.name);
    for (size_t i = 0; i < name.size() && i < kNameUnits; ++i)
        Put16(&h[kNameOffset + 2 * i], name[i]);
    std::memcpy(&h[kCheckOffset], o.check.data(), kCheckLength);
    Put32(&h[kFormatLevelOffset], static_cast<uint32_t>(o.formatLevel));
    Put16(&h[kKeyRingAOffset], static_cast<uint32_t>(o.keyringA));
    Put16(&h[kKeyRingBOffset], static_cast<uint32_t>(o.keyringB));
    if (o.hasA) {
        if (o.extendedA)
            WriteKeyBlock(h.data(), kExtendedAOffset, kExtendedLength, o.passwordA, o);
        else
            WriteKeyBlock(h.data(), kKeyBlockAOffset, kKeyBlockLength, o.passwordA, o);
    }
    if (o.hasB) {
        if (o.extendedB)
            WriteKeyBlock(h.data(), kExtendedBOffset, kExtendedLength, o.passwordB, o);
        else
            WriteKeyBlock(h.data(), kKeyBlockBOffset, kKeyBlockLength, o.passwordB, o);
    }
    SHA1(h.data(), h.size(), &h[kChecksumOffset]);
    if (o.badChecksum) h[kChecksumOffset] ^= 0x5A;
    return h;
}

// Each sector AES-CBC on its own, IV = its byte position (64-bit LE) followed by 8 zero bytes.
void EncryptImage(FILE* in, FILE* out, const Options& o) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    if (!ctx ||
        !EVP_EncryptInit_ex(ctx, Cipher(o.volumeKey.size(), true), nullptr, o.volumeKey.data(),
                            nullptr) ||
        !EVP_CIPHER_CTX_set_padding(ctx, 0))
        Fail("cipher setup failed");
    std::vector<uint8_t> chunk(kSectorSize * 2048), cipher(chunk.size());
    uint64_t position = 0;
    for (;;) {
        size_t got = std::fread(chunk.data(), 1, chunk.size(), in);
        if (got % kSectorSize != 0) Fail("the image size is not a multiple of 512", o.image);
        for (size_t s = 0; s < got; s += kSectorSize, position += kSectorSize) {
            uint8_t iv[16] = {};
            for (int i = 0; i < 8; ++i) iv[i] = static_cast<uint8_t>(position >> (8 * i));
            int n = 0;
            if (!EVP_EncryptInit_ex(ctx, nullptr, nullptr, nullptr, iv) ||
                !EVP_EncryptUpdate(ctx, &cipher[s], &n, &chunk[s], static_cast<int>(kSectorSize)) ||
                n != static_cast<int>(kSectorSize))
                Fail("sector encryption failed");
        }
        if (got != 0 && std::fwrite(cipher.data(), 1, got, out) != got) Fail("write failed");
        if (got < chunk.size()) break;
    }
    if (std::ferror(in)) Fail("read failed", o.image);
    EVP_CIPHER_CTX_free(ctx);
}

}  // namespace

int main(int argc, char** argv) {
    Options o = ParseArguments(argc, argv);
    FILE* in = std::fopen(o.image.c_str(), "rb");
    if (!in) Fail("cannot open", o.image);
    FILE* out = std::fopen(o.output.c_str(), "wb");
    if (!out) Fail("cannot create", o.output);
    std::vector<uint8_t> header = BuildHeader(o);
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) Fail("write failed");
    EncryptImage(in, out, o);
    std::fclose(in);
    if (std::fclose(out) != 0) Fail("write failed", o.output);
    return 0;
}
