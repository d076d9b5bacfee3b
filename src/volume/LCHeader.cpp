#include "volume/LCHeader.h"

#include <fcntl.h>

#include <algorithm>
#include <cstring>
#include <new>

#include "crypto/CCryptoWrapper.h"
#include "platform/ByteReader.h"
#include "platform/File.h"

namespace lc {

namespace {

constexpr char kMagic[LCHeader::kMagicLength + 1] = "Lockchamber Virtual Disk\x1A";

// Key blocks hold a whole number of AES blocks plus at most a short tail; the plain copy needs
// room for the largest.
constexpr size_t kPlainBlockRoom = LCHeader::kExtendedLength;

}  // namespace

LCHeader::LCHeader() : m_image(kSize) {}

size_t LCHeader::KeyLength(uint32_t algorithmId) {
    switch (algorithmId) {
        case 0:
            return 16;
        case 1:
            return 32;
        default:
            return 0;
    }
}

Status LCHeader::ReadHeader(const std::string& path) {
    m_valid = false;
    File file;
    // Whatever the reason (missing, no access, a folder): 212.
    if (file.OpenRead(path) != status::kSuccess) return status::kLocked;

    Status result = file.ReadExact(m_image.span());
    if (result == status::kHandleEof) return status::kErrNotVolume;  // shorter than a header
    if (result != status::kSuccess) return result;

    if (std::memcmp(m_image.data(), kMagic, kMagicLength) != 0) return status::kErrNotVolume;
    int32_t version = Version();
    if (version < kMinVersion) return status::kErrVersionTooOld;
    if (version > kMaxVersion) return status::kErrVersionTooNew;
    // No engine exists for other ids; refuse before any hash runs.
    if (KeyLength(AlgorithmId()) == 0) return status::kNotSupported;

    LC_TRY(VerifyChecksum());
    m_valid = true;
    return status::kSuccess;
}

Status LCHeader::VerifyChecksum() const {
    const CCryptoWrapper* engine = GetCipher(AlgorithmId());
    if (engine == nullptr) return status::kNotSupported;
    SecureBytes copy(m_image.span());
    std::fill_n(copy.data() + kChecksumOffset, kChecksumLength, uint8_t{0});
    uint8_t digest[kChecksumLength] = {};
    if (!engine->Hash(copy.span(), digest)) return status::kCrc;
    if (std::memcmp(digest, m_image.data() + kChecksumOffset, kChecksumLength) != 0)
        return status::kCrc;
    return status::kSuccess;
}

void LCHeader::UpdateChecksum() {
    // SHA-1 in either engine; a header with a foreign id still gets a checksum.
    const CCryptoWrapper* engine = GetCipher(AlgorithmId());
    if (engine == nullptr) engine = GetCipher(1);
    std::fill_n(m_image.data() + kChecksumOffset, kChecksumLength, uint8_t{0});
    uint8_t digest[kChecksumLength] = {};
    if (engine != nullptr && engine->Hash(m_image.span(), digest))
        std::memcpy(m_image.data() + kChecksumOffset, digest, kChecksumLength);
}

uint16_t LCHeader::KeyRingMarker(Slot slot) const {
    ByteReader r(m_image.span());
    return r.At<uint16_t>(slot == Slot::A ? kKeyRingAOffset : kKeyRingBOffset).value_or(0);
}

bool LCHeader::IsKeyRingProtected(Slot slot) const {
    return FormatLevel() >= kKeyRingFormatLevel && KeyRingMarker(slot) != 0;
}

bool LCHeader::AnyNonZero(size_t offset, size_t length) const {
    auto bytes = ByteReader(m_image.span()).Slice(offset, length);
    if (!bytes) return false;
    return std::any_of(bytes->begin(), bytes->end(), [](uint8_t b) { return b != 0; });
}

bool LCHeader::HasKeyBlock(Slot slot) const {
    bool a = slot == Slot::A;
    if (AnyNonZero(a ? kKeyBlockAOffset : kKeyBlockBOffset, kKeyBlockLength)) return true;
    return FormatLevel() >= kKeyRingFormatLevel &&
           AnyNonZero(a ? kExtendedAOffset : kExtendedBOffset, kExtendedLength);
}

bool LCHeader::UsesExtendedBlock(Slot slot) const {
    bool a = slot == Slot::A;
    return !AnyNonZero(a ? kKeyBlockAOffset : kKeyBlockBOffset, kKeyBlockLength) &&
           HasKeyBlock(slot);
}

Status LCHeader::UnlockWithKeyBlockA(std::span<const char16_t> password, std::span<uint8_t> keyOut,
                                     uint32_t* valueOut) const {
    // The format level is not consulted here: the caller asks HasKeyBlockA first.
    if (AnyNonZero(kKeyBlockAOffset, kKeyBlockLength))
        return Unlock(kKeyBlockAOffset, kKeyBlockLength, password, keyOut, valueOut);
    return Unlock(kExtendedAOffset, kExtendedLength, password, keyOut, valueOut);
}

Status LCHeader::UnlockWithKeyBlockB(std::span<const char16_t> password,
                                     std::span<uint8_t> keyOut) const {
    if (AnyNonZero(kKeyBlockBOffset, kKeyBlockLength))
        return Unlock(kKeyBlockBOffset, kKeyBlockLength, password, keyOut, nullptr);
    return Unlock(kExtendedBOffset, kExtendedLength, password, keyOut, nullptr);
}

Status LCHeader::Unlock(size_t offset, size_t length, std::span<const char16_t> password,
                        std::span<uint8_t> keyOut, uint32_t* valueOut) const {
    const size_t keyLength = KeyLength(AlgorithmId());
    const CCryptoWrapper* engine = GetCipher(AlgorithmId());
    if (keyLength == 0 || engine == nullptr) return status::kNotSupported;
    if (keyOut.size() < keyLength) return status::kInvalidParameter;
    ByteReader header(m_image.span());
    auto block = header.Slice(offset, length);
    auto check = header.Slice(kCheckOffset, kCheckLength);
    if (!block || !check || length > kPlainBlockRoom) return status::kInvalidParameter;

    SecureBytes derived(keyLength);
    SecureBytes plain(kPlainBlockRoom);
    if (!engine->DeriveKey(password, Salt(), derived.span())) return status::kErrKeyDerivation;
    if (!engine->DecryptKeyBlock(*block, plain.span().first(length), derived.span()))
        return status::kErrKeyDerivation;
    if (std::memcmp(plain.data(), check->data(), kCheckLength) != 0)
        return status::kInvalidPassword;
    std::memcpy(keyOut.data(), plain.data() + kPlainKeyOffset, keyLength);
    if (valueOut != nullptr)
        *valueOut = ByteReader(plain.span()).At<uint32_t>(kPlainValueOffset).value_or(0);
    return status::kSuccess;
}

Status LCHeader::WriteTo(File& file) {
    UpdateChecksum();
    LC_TRY(file.Seek(0, SEEK_SET));
    return file.WriteAll(m_image.span());
}

Status LCHeader::WriteToFile(const std::string& path) {
    File file;
    LC_TRY(file.OpenFlags(path, O_WRONLY));
    Status result = WriteTo(file);
    file.Close();
    return result;
}

int32_t LCHeader::Version() const {
    return ByteReader(m_image.span()).At<int32_t>(kVersionOffset).value_or(0);
}

int32_t LCHeader::FormatLevel() const {
    return ByteReader(m_image.span()).At<int32_t>(kFormatLevelOffset).value_or(0);
}

uint32_t LCHeader::AlgorithmId() const {
    return ByteReader(m_image.span()).At<uint32_t>(kAlgorithmOffset).value_or(0);
}

std::span<const uint8_t> LCHeader::Salt() const {
    return m_image.span().subspan(kSaltOffset, kSaltLength);
}

std::u16string LCHeader::VolumeName() const {
    ByteReader r(m_image.span());
    std::u16string name;
    for (size_t i = 0; i < kNameUnits; ++i) {
        char16_t unit = static_cast<char16_t>(r.At<uint16_t>(kNameOffset + 2 * i).value_or(0));
        if (unit == 0) break;
        name.push_back(unit);
    }
    return name;
}

}  // namespace lc
