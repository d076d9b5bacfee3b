#include "fs/PlainImageVolume.h"

#include <cstring>

namespace lc {

Status PlainImageVolume::OpenImageFile(const std::string& path) {
    m_image.clear();
    m_file.Close();
    LC_TRY(m_file.OpenRead(path));
    return m_file.Size(m_fileSize);
}

void PlainImageVolume::SetImage(std::vector<uint8_t> image) {
    m_file.Close();
    m_fileSize = 0;
    m_image = std::move(image);
}

Status PlainImageVolume::Open() {
    m_tree.Clear();
    DropFileSystem();
    LC_TRY(Mount());
    if (!FileSystem()) return status::kNotEnoughMemory;
    return FileSystem()->ReadDirectoryTree();
}

Status PlainImageVolume::ReadSectors(uint64_t firstSector, uint32_t count,
                                     std::span<uint8_t> buffer) {
    if (buffer.size() != static_cast<uint64_t>(count) * kSectorSize) {
        return status::kBufferOverflow;
    }
    ++m_readCalls;
    m_sectorsRead += count;
    uint64_t imageSize = m_file.IsOpen() ? m_fileSize : m_image.size();
    uint64_t sectors = imageSize / kSectorSize;
    if (firstSector > sectors || sectors - firstSector < count) return status::kHandleEof;
    if (buffer.empty()) return status::kSuccess;
    uint64_t offset = firstSector * kSectorSize;
    if (m_file.IsOpen()) return m_file.ReadExactAt(offset, buffer);
    std::memcpy(buffer.data(), m_image.data() + offset, buffer.size());
    return status::kSuccess;
}

Status PlainImageVolume::WriteSectors(uint64_t, uint32_t, std::span<uint8_t>) {
    return status::kAccessDenied;
}

void PlainImageVolume::ReportProgress(uint64_t remaining) {
    if (m_progress) m_progress(ProgressTotal(), remaining);
}

}  // namespace lc
