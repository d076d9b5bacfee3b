// AES with the processor's AES-NI instructions. Call only when UseAesNi() is true.
// Round keys are 16-byte aligned, (rounds + 1) × 16 bytes, in the instructions' byte order.
// The implementation file is compiled with extra instruction-set flags, so this interface uses
// plain types only: no inline library code may be emitted from there.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lc::aes_ni {

// keyLength is 16 or 32; returns the number of rounds (10 or 14), 0 for any other length.
int ExpandEncryptKey(const uint8_t* key, size_t keyLength, uint32_t* roundKeys);
// Turns an encryption schedule into the schedule of the equivalent inverse cipher.
void MakeDecryptKey(const uint32_t* encryptKeys, uint32_t* decryptKeys, int rounds);

void EncryptEcb(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                size_t blocks);
void DecryptEcb(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                size_t blocks);
// iv: 16 bytes, replaced by the last cipher block. in == out is allowed.
void EncryptCbc(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                size_t blocks, uint8_t* iv);
void DecryptCbc(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out,
                size_t blocks, uint8_t* iv);
// Output feedback over any length with an encryption schedule; iv is not changed.
void Ofb(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out, size_t length,
         const uint8_t* iv);
// CBC over whole 512-byte sectors in place; the initial vector of each sector is its position
// (64-bit little-endian) followed by 8 zero bytes.
void DecryptSectors(const uint32_t* roundKeys, int rounds, uint8_t* data, size_t sectors,
                    uint64_t position);
void EncryptSectors(const uint32_t* roundKeys, int rounds, uint8_t* data, size_t sectors,
                    uint64_t position);

}  // namespace lc::aes_ni
