#include "volume/CLCFiles.h"

#include <cstdio>
#include <limits>
#include <new>
#include <vector>

#include "crypto/CCryptoWrapper.h"
#include "platform/Memory.h"
#include "volume/LCHeader.h"

namespace lc {

namespace {

// Process-wide and kept to the end: the pre-read only warms the cache, nobody reads it back.
std::span<uint8_t> PreReadBuffer() {
    static std::vector<uint8_t> buffer;
    if (buffer.empty()) buffer.resize(size_t{CLCFiles::kPreReadSectors} * Volume::kSectorSize);
    return buffer;
}

}  // namespace

CLCFiles::CLCFiles() = default;

CLCFiles::~CLCFiles() {
    // Tree first, then the file, then the key; the reader goes with the LCVolume part.
    m_tree.Clear();
    m_file.Close();
    m_key.clear();
    m_statusText.clear();
    m_volumeName.clear();
}

Status CLCFiles::Unlock(const std::string& path, std::span<const char16_t> password) {
    m_file.Close();
    m_key.clear();
    m_tree.Clear();
    DropFileSystem();
    m_sectorSize = 0;

    LCHeader header;
    if (header.ReadHeader(path) != status::kSuccess) return status::kErrNoKeyBlock;
    m_algorithmId = header.AlgorithmId();
    m_volumeName = header.VolumeName();

    const size_t keyLength = LCHeader::KeyLength(m_algorithmId);
    if (keyLength == 0) return status::kErrNoKeyBlock;
    m_key.resize(keyLength);

    Status result = status::kErrNoKeyBlock;
    if (header.HasKeyBlockA()) result = header.UnlockWithKeyBlockA(password, m_key.span());
    // Block A's failure (86 for a wrong password) stands unless there is a block B to try.
    if (result != status::kSuccess && header.HasKeyBlockB())
        result = header.UnlockWithKeyBlockB(password, m_key.span());
    LC_TRY(result);

    LC_TRY(m_file.OpenRead(path));
    m_sectorSize = kSectorSize;
    return status::kSuccess;
}

Status CLCFiles::Open(const std::string& path, std::span<const char16_t> password) {
    LC_TRY(Unlock(path, password));
    LC_TRY(Mount());
    if (FileSystem() == nullptr) return status::kNotEnoughMemory;

    // Warms the system's cache for the directory reading; the outcome does not matter (a
    // shorter image simply fails here).
    if (auto buffer = PreReadBuffer(); !buffer.empty())
        IgnoreStatus(ReadSectors(0, kPreReadSectors, buffer), "it only warms the cache");

    return FileSystem()->ReadDirectoryTree();
}

Status CLCFiles::SectorOffset(uint64_t sector, uint64_t& offset) {
    constexpr uint64_t kMaxOffset = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
    if (sector > (kMaxOffset - kHeaderSize) / kSectorSize) return status::kInvalidParameter;
    offset = kHeaderSize + sector * kSectorSize;
    return status::kSuccess;
}

Status CLCFiles::SeekSector(uint64_t sector) {
    if (!m_file.IsOpen()) return status::kFileNotFound;
    uint64_t offset = 0;
    LC_TRY(SectorOffset(sector, offset));
    return m_file.Seek(static_cast<int64_t>(offset), SEEK_SET);
}

Status CLCFiles::CipherSectors(uint64_t firstSector, std::span<uint8_t> buffer,
                               bool encrypt) const {
    const CCryptoWrapper* engine = GetCipher(m_algorithmId);
    if (engine == nullptr) return status::kInvalidHandle;
    // One context (one key schedule) for the whole run.
    std::unique_ptr<CipherContext> context;
    if (engine->CreateContext(m_key.span(), encrypt ? ContextEncrypt : ContextDecrypt, context) !=
        cipher_status::kOk)
        return status::kInvalidHandle;

    // Each sector CBC on its own, IV = its byte position; decrypted or encrypted in place.
    Status result = status::kSuccess;
    if (engine->ProcessSectorsCbc(context.get(), buffer, firstSector * kSectorSize) !=
        cipher_status::kOk)
        result = status::kInvalidHandle;
    engine->DestroyContext(context);
    return result;
}

Status CLCFiles::ReadSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) {
    if (!m_file.IsOpen()) return status::kFileNotFound;
    if (buffer.size() != uint64_t{count} * kSectorSize) return status::kBufferOverflow;
    uint64_t offset = 0;
    LC_TRY(SectorOffset(firstSector, offset));
    // The whole run in one read, decrypted in place.
    LC_TRY(m_file.ReadExactAt(offset, buffer));
    return CipherSectors(firstSector, buffer, false);
}

Status CLCFiles::WriteSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) {
    if (!m_file.IsOpen()) return status::kFileNotFound;
    if (buffer.size() != uint64_t{count} * kSectorSize) return status::kBufferOverflow;
    LC_TRY(SeekSector(firstSector));
    Status cipher = CipherSectors(firstSector, buffer, true);
    Status written = m_file.WriteAll(buffer);
    // The file is open and valid, so a bad descriptor means it was opened for reading only;
    // Windows calls that access denied.
    if (written == status::kInvalidHandle) return status::kAccessDenied;
    LC_TRY(written);
    return cipher;
}

void CLCFiles::ReportProgress(uint64_t remaining) {
    m_progressRemaining = remaining;
    if (m_progressListener != nullptr) m_progressListener->OnProgress(m_total, remaining);
}

}  // namespace lc
