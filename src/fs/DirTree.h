// Builds and owns the DirInfo tree of a volume from the entries its reader reports
// (SetVolumeLabel, AddDirectory, EnterDirectory, LeaveDirectory, AddFile).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "fs/DirInfo.h"

namespace lc {

class DirTree {
public:
    DirTree() = default;
    DirTree(const DirTree&) = delete;
    DirTree& operator=(const DirTree&) = delete;

    DirInfo* SetVolumeLabel(std::u16string label);
    void AddFile(std::u16string name, uint64_t size, uint32_t modified, uint64_t firstCluster,
                 uint32_t attributes);
    void AddDirectory(std::u16string name, uint32_t modified);
    void EnterDirectory();
    void LeaveDirectory();
    void SetLinkTarget(std::u16string target);
    void MarkDirectoryDamaged(Status code);

    // Drops every record.
    void Clear();

    DirInfo* Root() const { return m_root; }
    size_t RecordCount() const { return m_records.size(); }
    // Directories marked damaged during the walk, in the order they were met.
    const std::vector<DirInfo*>& DamagedFolders() const { return m_damaged; }

private:
    // Readers that report entries before any label still get a (nameless) root.
    void EnsureRoot();

    std::deque<DirInfo> m_records;  // stable addresses; the root is the first record
    DirInfo* m_root = nullptr;
    DirInfo* m_cursor = nullptr;
    DirInfo* m_last = nullptr;  // the record reported last
    std::vector<DirInfo*> m_damaged;
    uint16_t m_depth = 0;
};

}  // namespace lc
