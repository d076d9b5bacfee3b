// The open volume: its file, volume key and algorithm id, decrypted sector access, unlock and
// mount, and the directory tree its reader reports.
//
// Sector n lies at file offset 69,632 + 512 × n; each sector is AES-CBC on its own with the
// initial vector LE64(512 × n) followed by 8 zero bytes. Sector positions are 64-bit throughout.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "fs/LCVolume.h"
#include "platform/File.h"
#include "platform/SecureBuffer.h"
#include "platform/Status.h"

namespace lc {

// Receives the progress of a copy: total bytes and what is still to do (0 ends the display).
class ProgressListener {
public:
    virtual ~ProgressListener() = default;
    virtual void OnProgress(uint64_t total, uint64_t remaining) = 0;
};

class CLCFiles : public LCVolume {
public:
    static constexpr uint64_t kHeaderSize = 0x11000;
    // Sectors 0..19,530: 10,000,000 bytes rounded down to whole sectors.
    static constexpr uint32_t kPreReadSectors = 10000000 / kSectorSize;

    CLCFiles();
    ~CLCFiles() override;
    CLCFiles(const CLCFiles&) = delete;
    CLCFiles& operator=(const CLCFiles&) = delete;

    // Unlock, open read-only, mount, pre-read and build the tree. 0; 86 wrong password;
    // 1 no supported file system; ErrNoKeyBlock (no usable key block, or the header cannot be
    // read again); 8 mounted without a reader; else the code of the failing step. May be called
    // again on the same object after a failure.
    Status Open(const std::string& path, std::span<const char16_t> password);
    // The first part of Open: drop what an earlier attempt left, unlock the key and open the
    // file read-only. Sector access works afterwards; nothing is mounted.
    Status Unlock(const std::string& path, std::span<const char16_t> password);

    // Volume
    // 0; 2 no file; 111 buffer.size() is not count × 512; 6 the cipher refused a sector (the
    // sectors before it are decrypted); 38 the file ends before the last sector; else the
    // system's code of the read.
    Status ReadSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) override;
    // Encrypts the buffer in place, then writes it. Same codes as ReadSectors; a volume opened
    // by Open is read-only, so writes fail with 5 (the buffer then holds cipher text).
    Status WriteSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) override;
    void ReportProgress(uint64_t remaining) override;

    // Positions the file at a sector: 0, 2 without a file, 87 past the largest file offset.
    Status SeekSector(uint64_t sector);

    std::u16string GetVolumeName() const { return m_volumeName; }
    uint32_t AlgorithmId() const { return m_algorithmId; }
    uint32_t SectorSize() const { return m_sectorSize; }
    bool HasFile() const { return m_file.IsOpen(); }

    // Releases the directory tree (the views must let go of its records first).
    void ReleaseTree() { m_tree.Clear(); }

    void SetProgressListener(ProgressListener* listener) { m_progressListener = listener; }
    uint64_t ProgressRemaining() const { return m_progressRemaining; }

    // Progress text of the extraction, kept while it is shown.
    const std::u16string& StatusText() const { return m_statusText; }
    void SetStatusText(std::u16string text, bool shown) {
        m_statusText = std::move(text);
        m_statusShown = shown;
    }
    bool StatusShown() const { return m_statusShown; }

private:
    Status CipherSectors(uint64_t firstSector, std::span<uint8_t> buffer, bool encrypt) const;
    static Status SectorOffset(uint64_t sector, uint64_t& offset);

    std::u16string m_volumeName;
    uint32_t m_algorithmId = 1;
    File m_file;
    SecureBytes m_key;
    uint32_t m_sectorSize = 0;
    std::u16string m_statusText;
    bool m_statusShown = false;
    uint64_t m_progressRemaining = 0;
    ProgressListener* m_progressListener = nullptr;  // not owned
};

}  // namespace lc
