#include "fs/NtfsRunList.h"

#include <algorithm>

#include "platform/ByteReader.h"

namespace lc {

namespace {

constexpr unsigned kMaxFieldBytes = 8;

uint64_t ReadUnsigned(std::span<const uint8_t> field) {
    uint64_t value = 0;
    for (size_t i = 0; i < field.size(); ++i) value |= static_cast<uint64_t>(field[i]) << (8 * i);
    return value;
}

int64_t ReadSigned(std::span<const uint8_t> field) {
    uint64_t value = ReadUnsigned(field);
    size_t bits = field.size() * 8;
    if (bits < 64 && (field.back() & 0x80)) value |= ~uint64_t{0} << bits;
    return static_cast<int64_t>(value);
}

}  // namespace

Result<NtfsRunList> NtfsRunList::Decode(std::span<const uint8_t> bytes, uint64_t clusterCount) {
    NtfsRunList list;
    ByteReader reader(bytes);
    int64_t lcn = 0;
    uint64_t vcn = 0;
    // Every run takes at least one byte, so the list's own length bounds the loop.
    for (auto header = reader.Read<uint8_t>(); header && *header != 0;
         header = reader.Read<uint8_t>()) {
        unsigned lengthBytes = *header & 0x0F;
        unsigned offsetBytes = *header >> 4;
        if (lengthBytes == 0 || lengthBytes > kMaxFieldBytes || offsetBytes > kMaxFieldBytes) {
            return Result<NtfsRunList>::Failure(status::kFileCorrupt);
        }
        auto lengthField = reader.Take(lengthBytes);
        if (!lengthField) return Result<NtfsRunList>::Failure(status::kFileCorrupt);
        NtfsRun run;
        run.vcn = vcn;
        run.length = ReadUnsigned(*lengthField);
        if (run.length == 0 || vcn + run.length < vcn) {
            return Result<NtfsRunList>::Failure(status::kFileCorrupt);
        }
        if (offsetBytes == 0) {
            // A hole occupies no clusters, so it may be larger than the volume and may come
            // first: a file that starts with a hole is ordinary. Offsets after it stay relative
            // to the last real run (or to 0).
            run.sparse = true;
        } else {
            if (run.length > clusterCount)
                return Result<NtfsRunList>::Failure(status::kFileCorrupt);
            auto offsetField = reader.Take(offsetBytes);
            if (!offsetField) return Result<NtfsRunList>::Failure(status::kFileCorrupt);
            int64_t offset = ReadSigned(*offsetField);
            // Both stay far below 2^63 when valid, so a wrapped sum shows as out of range.
            if (__builtin_add_overflow(lcn, offset, &lcn) || lcn < 0 ||
                static_cast<uint64_t>(lcn) > clusterCount ||
                run.length > clusterCount - static_cast<uint64_t>(lcn)) {
                return Result<NtfsRunList>::Failure(status::kFileCorrupt);
            }
            run.lcn = static_cast<uint64_t>(lcn);
        }
        vcn += run.length;
        list.m_runs.push_back(run);
    }
    list.m_vcnCount = vcn;
    return list;
}

Status NtfsRunList::Append(const NtfsRunList& piece, uint64_t firstVcn) {
    if (firstVcn != m_vcnCount || UINT64_MAX - m_vcnCount < piece.m_vcnCount) {
        return status::kFileCorrupt;
    }
    for (NtfsRun run : piece.m_runs) {
        run.vcn += firstVcn;
        m_runs.push_back(run);
    }
    m_vcnCount += piece.m_vcnCount;
    return status::kSuccess;
}

const NtfsRun* NtfsRunList::Find(uint64_t vcn) const {
    auto it = std::upper_bound(m_runs.begin(), m_runs.end(), vcn,
                               [](uint64_t v, const NtfsRun& run) { return v < run.vcn; });
    if (it == m_runs.begin()) return nullptr;
    --it;
    if (vcn - it->vcn >= it->length) return nullptr;
    return &*it;
}

}  // namespace lc
