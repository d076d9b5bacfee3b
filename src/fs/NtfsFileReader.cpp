// Random access to NTFS file data: resident values, runs with holes, LZNT1 compression units.

#include <algorithm>
#include <cstring>
#include <mutex>

#include "fs/FileReader.h"
#include "fs/NtFs.h"
#include "fs/NtfsStructures.h"
#include "platform/Memory.h"

namespace lc {

// Decodes the compression units a read touches. The unit decoded last is kept for the next
// read, which mostly continues where the last one ended: one unit per open file at most.
class NtfsCompressedReader final : public FileReader {
public:
    NtfsCompressedReader(NtFs& fs, NtFs::Stream stream, uint64_t size)
        : FileReader(size), m_fs(fs), m_stream(std::move(stream)) {}

protected:
    Status ReadRange(uint64_t offset, std::span<uint8_t> out) override {
        const uint64_t unitBytes = m_stream.unitBytes;
        std::vector<uint8_t> unit;
        std::vector<uint8_t> packed;
        uint64_t position = offset;
        size_t done = 0;
        // Each pass finishes a unit or the request.
        while (done < out.size()) {
            const uint64_t start = position / unitBytes * unitBytes;
            const size_t within = static_cast<size_t>(position - start);
            const size_t piece = std::min<size_t>(unitBytes - within, out.size() - done);
            if (!CopyCached(start, within, out.subspan(done, piece))) {
                if (unit.empty()) {
                    LC_TRY(CheckedResize(unit, unitBytes));
                    LC_TRY(CheckedResize(packed, unitBytes));
                }
                bool hole = false;
                LC_TRY(m_fs.ReadUnit(m_stream, start, unit, packed, hole));
                if (hole) std::fill(unit.begin(), unit.end(), uint8_t{0});
                std::memcpy(out.data() + done, unit.data() + within, piece);
                Keep(start, unit);
            }
            done += piece;
            position += piece;
        }
        return status::kSuccess;
    }

private:
    bool CopyCached(uint64_t start, size_t within, std::span<uint8_t> out) {
        std::lock_guard lock(m_cacheMutex);
        if (m_cached.empty() || m_cachedStart != start) return false;
        std::memcpy(out.data(), m_cached.data() + within, out.size());
        return true;
    }
    void Keep(uint64_t start, const std::vector<uint8_t>& unit) {
        std::lock_guard lock(m_cacheMutex);
        m_cached = unit;
        m_cachedStart = start;
    }

    NtFs& m_fs;
    const NtFs::Stream m_stream;
    std::mutex m_cacheMutex;
    uint64_t m_cachedStart = 0;
    std::vector<uint8_t> m_cached;
};

Result<std::unique_ptr<FileReader>> NtFs::OpenReader(uint64_t first, uint64_t size) {
    using Reader = std::unique_ptr<FileReader>;
    LC_TRY(m_geometry);
    if (m_recordCount == 0) LC_TRY(ReadMft());
    FileRecords file;
    LC_TRY(ReadFileRecords(first, file));
    Stream stream;
    const Status loaded = LoadStream(file, ntfs::kTypeData, true, stream);
    if (loaded == status::kMoreData) {
        // A file without data (a link, say) is empty.
        if (size != 0) return status::kFileCorrupt;
        return Reader(std::make_unique<MemoryFileReader>());
    }
    LC_TRY(loaded);
    if (stream.flags & ntfs::kAttrFlagEncrypted) return status::kNotSupported;
    if (size > stream.dataSize) return status::kFileCorrupt;
    if (stream.resident) {
        // Resident values are never compressed, whatever the flags say.
        std::vector<uint8_t> bytes;
        LC_TRY(CheckedResize(bytes, static_cast<size_t>(size)));
        std::copy_n(stream.bytes.begin(), bytes.size(), bytes.begin());
        return Reader(std::make_unique<MemoryFileReader>(std::move(bytes)));
    }
    const uint16_t compression = stream.flags & ntfs::kAttrFlagCompressionMask;
    if (compression != 0 && compression != ntfs::kAttrFlagLznt1) return status::kNotSupported;
    if (stream.unitBytes != 0) {
        return Reader(std::make_unique<NtfsCompressedReader>(*this, std::move(stream), size));
    }

    const std::vector<NtfsRun>& runs = stream.runs.Runs();
    std::vector<FileExtent> extents;
    LC_TRY(CheckedResize(extents, runs.size()));
    // The run list is checked to fit 64 bits in bytes (LoadStream).
    for (size_t i = 0; i < runs.size(); ++i) {
        extents[i] = {runs[i].vcn * m_clusterBytes, runs[i].length * m_clusterBytes,
                      runs[i].lcn * m_clusterBytes, runs[i].sparse};
    }
    return ExtentFileReader::Create(*m_volume, size, stream.initializedSize, std::move(extents));
}

}  // namespace lc
