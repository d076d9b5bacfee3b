#include "crypto/AesPortable.h"

#include <array>

#include "crypto/BigEndian.h"

namespace lc::aes_portable {
namespace {

constexpr uint8_t Xtime(uint8_t a) {
    return static_cast<uint8_t>((a << 1) ^ ((a & 0x80) != 0 ? 0x1B : 0x00));
}

constexpr uint8_t Multiply(uint8_t a, uint8_t b) {
    uint8_t product = 0;
    for (int i = 0; i < 8; ++i) {
        if ((b & 1) != 0) product ^= a;
        a = Xtime(a);
        b = static_cast<uint8_t>(b >> 1);
    }
    return product;
}

constexpr uint8_t Rotl8(uint8_t x, int n) {
    return static_cast<uint8_t>((x << n) | (x >> (8 - n)));
}

// The S-box from the multiplicative inverse and the affine map, walking the field by the
// generator 3 (p) and its inverse (q) so that q = 1/p at every step.
constexpr std::array<uint8_t, 256> MakeSbox() {
    std::array<uint8_t, 256> box{};
    uint8_t p = 1;
    uint8_t q = 1;
    do {
        p = static_cast<uint8_t>(p ^ Xtime(p));
        q = static_cast<uint8_t>(q ^ (q << 1));
        q = static_cast<uint8_t>(q ^ (q << 2));
        q = static_cast<uint8_t>(q ^ (q << 4));
        if ((q & 0x80) != 0) q ^= 0x09;
        box[p] =
            static_cast<uint8_t>(q ^ Rotl8(q, 1) ^ Rotl8(q, 2) ^ Rotl8(q, 3) ^ Rotl8(q, 4) ^ 0x63);
    } while (p != 1);
    box[0] = 0x63;
    return box;
}

constexpr std::array<uint8_t, 256> Invert(const std::array<uint8_t, 256>& box) {
    std::array<uint8_t, 256> inverse{};
    for (int i = 0; i < 256; ++i) inverse[box[i]] = static_cast<uint8_t>(i);
    return inverse;
}

constexpr uint32_t Word(uint8_t a, uint8_t b, uint8_t c, uint8_t d) {
    return (uint32_t{a} << 24) | (uint32_t{b} << 16) | (uint32_t{c} << 8) | uint32_t{d};
}

constexpr std::array<uint8_t, 256> kSbox = MakeSbox();
constexpr std::array<uint8_t, 256> kInvSbox = Invert(kSbox);

// One column of SubBytes + MixColumns (Te) and of InvSubBytes + InvMixColumns (Td); the other
// three columns are byte rotations.
constexpr std::array<uint32_t, 256> MakeTe() {
    std::array<uint32_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t s = kSbox[i];
        t[i] = Word(Multiply(s, 2), s, s, Multiply(s, 3));
    }
    return t;
}

constexpr std::array<uint32_t, 256> MakeTd() {
    std::array<uint32_t, 256> t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t s = kInvSbox[i];
        t[i] = Word(Multiply(s, 14), Multiply(s, 9), Multiply(s, 13), Multiply(s, 11));
    }
    return t;
}

constexpr std::array<uint32_t, 256> kTe = MakeTe();
constexpr std::array<uint32_t, 256> kTd = MakeTd();

static_assert(kSbox[0x00] == 0x63 && kSbox[0x53] == 0xED && kSbox[0xFF] == 0x16);
static_assert(kInvSbox[0x63] == 0x00);

inline uint32_t Ror(uint32_t x, int n) {
    return (x >> n) | (x << (32 - n));
}
inline uint32_t Byte(uint32_t x, int n) {
    return (x >> (8 * n)) & 0xFF;
}

inline uint32_t Te(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return kTe[Byte(a, 3)] ^ Ror(kTe[Byte(b, 2)], 8) ^ Ror(kTe[Byte(c, 1)], 16) ^
           Ror(kTe[Byte(d, 0)], 24);
}

inline uint32_t Td(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
    return kTd[Byte(a, 3)] ^ Ror(kTd[Byte(b, 2)], 8) ^ Ror(kTd[Byte(c, 1)], 16) ^
           Ror(kTd[Byte(d, 0)], 24);
}

inline uint32_t LastRound(const std::array<uint8_t, 256>& box, uint32_t a, uint32_t b, uint32_t c,
                          uint32_t d) {
    return Word(box[Byte(a, 3)], box[Byte(b, 2)], box[Byte(c, 1)], box[Byte(d, 0)]);
}

uint32_t SubWord(uint32_t w) {
    return Word(kSbox[Byte(w, 3)], kSbox[Byte(w, 2)], kSbox[Byte(w, 1)], kSbox[Byte(w, 0)]);
}

uint32_t InvMixColumn(uint32_t w) {
    // Td applied to S-box outputs cancels the inverse S-box inside Td.
    return Td(uint32_t{kSbox[Byte(w, 3)]} << 24, uint32_t{kSbox[Byte(w, 2)]} << 16,
              uint32_t{kSbox[Byte(w, 1)]} << 8, kSbox[Byte(w, 0)]);
}

}  // namespace

int ExpandEncryptKey(const uint8_t* key, size_t keyLength, uint32_t* roundKeys) {
    if (keyLength != 16 && keyLength != 32) return 0;
    const int nk = static_cast<int>(keyLength / 4);
    const int rounds = nk + 6;
    for (int i = 0; i < nk; ++i) roundKeys[i] = LoadBe32(key + 4 * i);
    uint8_t rcon = 1;
    for (int i = nk; i < 4 * (rounds + 1); ++i) {
        uint32_t temp = roundKeys[i - 1];
        if (i % nk == 0) {
            temp = SubWord((temp << 8) | (temp >> 24)) ^ (uint32_t{rcon} << 24);
            rcon = Xtime(rcon);
        } else if (nk > 6 && i % nk == 4) {
            temp = SubWord(temp);
        }
        roundKeys[i] = roundKeys[i - nk] ^ temp;
    }
    return rounds;
}

void MakeDecryptKey(const uint32_t* encryptKeys, uint32_t* decryptKeys, int rounds) {
    for (int r = 0; r <= rounds; ++r) {
        for (int c = 0; c < 4; ++c) {
            uint32_t w = encryptKeys[4 * (rounds - r) + c];
            decryptKeys[4 * r + c] = (r == 0 || r == rounds) ? w : InvMixColumn(w);
        }
    }
}

void EncryptBlock(const uint32_t* rk, int rounds, const uint8_t* in, uint8_t* out) {
    uint32_t s0 = LoadBe32(in) ^ rk[0];
    uint32_t s1 = LoadBe32(in + 4) ^ rk[1];
    uint32_t s2 = LoadBe32(in + 8) ^ rk[2];
    uint32_t s3 = LoadBe32(in + 12) ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        uint32_t t0 = Te(s0, s1, s2, s3) ^ rk[0];
        uint32_t t1 = Te(s1, s2, s3, s0) ^ rk[1];
        uint32_t t2 = Te(s2, s3, s0, s1) ^ rk[2];
        uint32_t t3 = Te(s3, s0, s1, s2) ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    StoreBe32(out, LastRound(kSbox, s0, s1, s2, s3) ^ rk[0]);
    StoreBe32(out + 4, LastRound(kSbox, s1, s2, s3, s0) ^ rk[1]);
    StoreBe32(out + 8, LastRound(kSbox, s2, s3, s0, s1) ^ rk[2]);
    StoreBe32(out + 12, LastRound(kSbox, s3, s0, s1, s2) ^ rk[3]);
}

void DecryptBlock(const uint32_t* rk, int rounds, const uint8_t* in, uint8_t* out) {
    uint32_t s0 = LoadBe32(in) ^ rk[0];
    uint32_t s1 = LoadBe32(in + 4) ^ rk[1];
    uint32_t s2 = LoadBe32(in + 8) ^ rk[2];
    uint32_t s3 = LoadBe32(in + 12) ^ rk[3];
    for (int r = 1; r < rounds; ++r) {
        rk += 4;
        uint32_t t0 = Td(s0, s3, s2, s1) ^ rk[0];
        uint32_t t1 = Td(s1, s0, s3, s2) ^ rk[1];
        uint32_t t2 = Td(s2, s1, s0, s3) ^ rk[2];
        uint32_t t3 = Td(s3, s2, s1, s0) ^ rk[3];
        s0 = t0;
        s1 = t1;
        s2 = t2;
        s3 = t3;
    }
    rk += 4;
    StoreBe32(out, LastRound(kInvSbox, s0, s3, s2, s1) ^ rk[0]);
    StoreBe32(out + 4, LastRound(kInvSbox, s1, s0, s3, s2) ^ rk[1]);
    StoreBe32(out + 8, LastRound(kInvSbox, s2, s1, s0, s3) ^ rk[2]);
    StoreBe32(out + 12, LastRound(kInvSbox, s3, s2, s1, s0) ^ rk[3]);
}

}  // namespace lc::aes_portable
