// A volume over a plain (unencrypted) disk image, in memory or in a file, that builds its
// DirInfo tree like the real volume does. For tests, fuzzing and benchmarks.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "fs/LCVolume.h"
#include "platform/File.h"

namespace lc {

class PlainImageVolume : public LCVolume {
public:
    using ProgressCallback = std::function<void(uint64_t total, uint64_t remaining)>;

    PlainImageVolume() = default;
    explicit PlainImageVolume(std::vector<uint8_t> image) : m_image(std::move(image)) {}

    // Reads sectors from the file at path from now on.
    Status OpenImageFile(const std::string& path);
    void SetImage(std::vector<uint8_t> image);

    // Mount, then the reader's ReadDirectoryTree; 8 when Mount leaves no reader.
    Status Open();

    // Sectors past the end of the image give 38, as a short read of the volume file does.
    Status ReadSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) override;
    // Read-only.
    Status WriteSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) override;
    void ReportProgress(uint64_t remaining) override;

    void SetProgressCallback(ProgressCallback callback) { m_progress = std::move(callback); }
    uint64_t ReadCalls() const { return m_readCalls; }
    uint64_t SectorsRead() const { return m_sectorsRead; }

private:
    std::vector<uint8_t> m_image;
    File m_file;
    uint64_t m_fileSize = 0;
    ProgressCallback m_progress;
    // Counted from every thread that reads.
    std::atomic<uint64_t> m_readCalls = 0;
    std::atomic<uint64_t> m_sectorsRead = 0;
};

}  // namespace lc
