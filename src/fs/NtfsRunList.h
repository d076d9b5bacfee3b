// The data runs of a non-resident NTFS attribute: which clusters of the volume hold which part
// of the attribute's value.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Status.h"

namespace lc {

struct NtfsRun {
    uint64_t vcn = 0;     // first cluster of the value this run holds
    uint64_t length = 0;  // clusters
    uint64_t lcn = 0;     // first cluster on the volume; unused when sparse
    bool sparse = false;  // reads as zeros
};

class NtfsRunList {
public:
    NtfsRunList() = default;

    // Decodes a run list. 1392 when a length or offset field is wider than 8 bytes, a length is
    // 0, or a run that is not a hole lies outside the volume's clusterCount clusters. Holes may
    // stand anywhere; whoever needs real clusters (the MFT, index buffers) refuses them there.
    static Result<NtfsRunList> Decode(std::span<const uint8_t> bytes, uint64_t clusterCount);

    // Adds the runs of the next piece of a value split over several records, which starts at
    // cluster firstVcn of the value; 1392 when that leaves a gap or overlaps what is here.
    Status Append(const NtfsRunList& piece, uint64_t firstVcn);

    const std::vector<NtfsRun>& Runs() const { return m_runs; }
    bool empty() const { return m_runs.empty(); }
    // Clusters of the value the list covers.
    uint64_t VcnCount() const { return m_vcnCount; }
    // The run that holds vcn; null past the end.
    const NtfsRun* Find(uint64_t vcn) const;

private:
    std::vector<NtfsRun> m_runs;
    uint64_t m_vcnCount = 0;
};

}  // namespace lc
