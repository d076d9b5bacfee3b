// The 69,632-byte header of a volume file: identification, version, cipher choice, salt, check
// value and up to two password key blocks, protected by a SHA-1 checksum.
//
// Status codes: 0; 8 memory exhausted; 23 checksum mismatch; 50 an algorithm id other than
// 0 (AES-128) or 1 (AES-256), refused by ReadHeader before any hash runs and by every operation
// that would need an engine; 86 wrong password; 212 the file cannot be opened for reading;
// ErrKeyDerivation, ErrVersionTooOld, ErrNotVolume (wrong magic, or a header shorter than
// 69,632 bytes), ErrVersionTooNew; else the system's code of the read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/SecureBuffer.h"
#include "platform/Status.h"

namespace lc {

class File;

class LCHeader {
public:
    static constexpr size_t kSize = 0x11000;
    static constexpr size_t kMagicLength = 25;
    static constexpr size_t kVersionOffset = 40;
    static constexpr size_t kSaltOffset = 56;
    static constexpr size_t kSaltLength = 20;
    static constexpr size_t kAlgorithmOffset = 76;
    static constexpr size_t kNameOffset = 80;
    static constexpr size_t kNameUnits = 28;
    static constexpr size_t kCheckOffset = 136;
    static constexpr size_t kCheckLength = 16;
    static constexpr size_t kKeyBlockAOffset = 152;
    static constexpr size_t kKeyBlockBOffset = 236;
    static constexpr size_t kKeyBlockLength = 84;
    static constexpr size_t kChecksumOffset = 320;
    static constexpr size_t kChecksumLength = 20;
    static constexpr size_t kFormatLevelOffset = 340;
    static constexpr size_t kKeyRingAOffset = 536;
    static constexpr size_t kKeyRingBOffset = 1580;
    static constexpr size_t kExtendedAOffset = 2624;
    static constexpr size_t kExtendedBOffset = 2720;
    static constexpr size_t kExtendedLength = 96;
    // Plain key block: check value, then the volume key in a 64-byte field, then a 32-bit value.
    static constexpr size_t kPlainKeyOffset = 16;
    static constexpr size_t kPlainValueOffset = 80;

    static constexpr int32_t kMinVersion = 102;
    static constexpr int32_t kMaxVersion = 230;
    // From this format level on the key-ring markers and extended key blocks count.
    static constexpr int32_t kKeyRingFormatLevel = 210;

    enum class Slot { A, B };

    LCHeader();
    LCHeader(const LCHeader&) = delete;
    LCHeader& operator=(const LCHeader&) = delete;

    // 16 for algorithm 0, 32 for 1, 0 for any other.
    static size_t KeyLength(uint32_t algorithmId);

    Status ReadHeader(const std::string& path);
    Status VerifyChecksum() const;
    void UpdateChecksum();

    bool IsKeyRingProtected(Slot slot) const;
    // The raw first word of a key-ring area, whatever the format level.
    uint16_t KeyRingMarker(Slot slot) const;
    bool HasKeyBlockA() const { return HasKeyBlock(Slot::A); }
    bool HasKeyBlockB() const { return HasKeyBlock(Slot::B); }
    bool HasKeyBlock(Slot slot) const;
    // True when the slot's 84-byte block is empty and its extended block is the one in use.
    bool UsesExtendedBlock(Slot slot) const;

    // keyOut must hold KeyLength(AlgorithmId()) bytes; on 0 it holds the volume key.
    Status UnlockWithKeyBlockA(std::span<const char16_t> password, std::span<uint8_t> keyOut,
                               uint32_t* valueOut = nullptr) const;
    Status UnlockWithKeyBlockB(std::span<const char16_t> password, std::span<uint8_t> keyOut) const;

    // Writers of the header; no flow of the reader calls them.
    Status WriteTo(File& file);
    Status WriteToFile(const std::string& path);

    bool IsValid() const { return m_valid; }
    int32_t Version() const;
    int32_t FormatLevel() const;
    uint32_t AlgorithmId() const;
    std::span<const uint8_t> Salt() const;
    // Up to the first zero unit; all 28 units when there is none.
    std::u16string VolumeName() const;

    std::span<const uint8_t> Image() const { return m_image.span(); }
    std::span<uint8_t> MutableImage() { return m_image.span(); }

private:
    Status Unlock(size_t offset, size_t length, std::span<const char16_t> password,
                  std::span<uint8_t> keyOut, uint32_t* valueOut) const;
    bool AnyNonZero(size_t offset, size_t length) const;

    SecureBytes m_image;
    bool m_valid = false;
};

}  // namespace lc
