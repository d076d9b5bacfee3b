// AES in plain C++ (FIPS-197), the fallback when the processor has no AES instructions.
// Round keys are 4 × (rounds + 1) big-endian words.
#pragma once

#include <cstddef>
#include <cstdint>

namespace lc::aes_portable {

// keyLength is 16 or 32; returns the number of rounds (10 or 14), 0 for any other length.
int ExpandEncryptKey(const uint8_t* key, size_t keyLength, uint32_t* roundKeys);
// Turns an encryption schedule into the schedule of the equivalent inverse cipher.
void MakeDecryptKey(const uint32_t* encryptKeys, uint32_t* decryptKeys, int rounds);

void EncryptBlock(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out);
void DecryptBlock(const uint32_t* roundKeys, int rounds, const uint8_t* in, uint8_t* out);

}  // namespace lc::aes_portable
