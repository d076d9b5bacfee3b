// The interface a file-system reader calls on the open volume: decrypted sector access,
// progress, and the directory sink through which the reader reports every entry it finds.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "fs/DirInfo.h"
#include "platform/Status.h"

namespace lc {

class Volume {
public:
    virtual ~Volume() = default;

    static constexpr uint32_t kSectorSize = 512;

    // Names the root record, creating it when there is none.
    virtual DirInfo* SetVolumeLabel(std::u16string label) = 0;
    // modified: packed local date/time (DirInfo::modified).
    virtual void AddFile(std::u16string name, uint64_t size, uint32_t modified,
                         uint64_t firstCluster, uint32_t attributes) = 0;
    virtual void AddDirectory(std::u16string name, uint32_t modified) = 0;
    virtual void EnterDirectory() = 0;
    virtual void LeaveDirectory() = 0;
    // The record reported last is a link (symbolic link, junction, mount point) to target.
    virtual void SetLinkTarget(std::u16string target) = 0;
    // The directory whose contents are being reported (the one entered last and not yet left)
    // could not be read whole: code says why. Called before its LeaveDirectory; the first code
    // stays. The walk goes on with the directory's siblings.
    virtual void MarkDirectoryDamaged(Status code) = 0;
    // buffer.size() must be count × 512, else 111.
    virtual Status ReadSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) = 0;
    virtual Status WriteSectors(uint64_t firstSector, uint32_t count, std::span<uint8_t> buffer) = 0;
    // Bytes still to copy of the current file; 0 ends the progress display.
    virtual void ReportProgress(uint64_t remaining) = 0;
    virtual Status Mount() = 0;

    // Total of the current copy, stored by the copy routines before their first report.
    void SetProgressTotal(uint64_t total) { m_total = total; }
    uint64_t ProgressTotal() const { return m_total; }

protected:
    uint64_t m_total = 0;
};

}  // namespace lc
