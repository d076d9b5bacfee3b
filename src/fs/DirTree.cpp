#include "fs/DirTree.h"

#include <utility>

namespace lc {

DirInfo* DirTree::SetVolumeLabel(std::u16string label) {
    // A label met after entries were reported renames the root: those entries stay listed.
    if (m_root) {
        m_root->name = std::move(label);
        return m_root;
    }
    DirInfo& root = m_records.emplace_back();
    root.kind = DirInfo::kDirectory;
    root.name = std::move(label);
    root.depth = 0;
    m_root = &root;
    m_cursor = m_root;
    m_depth = 1;
    return m_root;
}

void DirTree::EnsureRoot() {
    if (!m_root) SetVolumeLabel(std::u16string());
}

void DirTree::AddDirectory(std::u16string name, uint32_t modified) {
    EnsureRoot();
    DirInfo& dir = m_records.emplace_back();
    dir.kind = DirInfo::kDirectory;
    dir.name = std::move(name);
    dir.modified = modified;
    dir.depth = m_depth;

    if (m_depth > m_cursor->depth) {
        // First subdirectory of the directory just entered. (A reader that reports out of
        // order still keeps every record reachable: the old first child follows the new one.)
        dir.parent = m_cursor;
        dir.nextSibling = m_cursor->firstChild;
        m_cursor->firstChild = &dir;
    } else {
        while (m_depth < m_cursor->depth && m_cursor->parent) m_cursor = m_cursor->parent;
        if (m_cursor->parent) {
            dir.parent = m_cursor->parent;
            dir.nextSibling = m_cursor->nextSibling;
            m_cursor->nextSibling = &dir;
        } else {
            dir.parent = m_cursor;
            dir.nextSibling = m_cursor->firstChild;
            m_cursor->firstChild = &dir;
        }
    }
    m_cursor = &dir;
    m_last = &dir;
}

void DirTree::EnterDirectory() {
    if (m_depth < UINT16_MAX) ++m_depth;
}

void DirTree::LeaveDirectory() {
    // The root's entries live at depth 1; a reader leaving more often than it entered stays there.
    if (m_depth > 1) --m_depth;
    if (m_cursor && m_depth < m_cursor->depth && m_cursor->parent) m_cursor = m_cursor->parent;
}

void DirTree::AddFile(std::u16string name, uint64_t size, uint32_t modified, uint64_t firstCluster,
                      uint32_t attributes) {
    EnsureRoot();
    DirInfo* dir = m_cursor;
    if (m_depth <= m_cursor->depth && m_cursor->parent) dir = m_cursor->parent;

    DirInfo& file = m_records.emplace_back();
    file.kind = DirInfo::kFile;
    file.name = std::move(name);
    file.parent = dir;
    file.modified = modified;
    file.size = size;
    file.attributes = attributes;
    file.firstCluster = static_cast<uint32_t>(firstCluster);
    // Front insertion: a directory's files end up in the reverse of the reported order.
    file.nextFile = dir->firstFile;
    dir->firstFile = &file;
    m_last = &file;
}

void DirTree::SetLinkTarget(std::u16string target) {
    if (m_last) m_last->linkTarget = std::move(target);
}

void DirTree::MarkDirectoryDamaged(Status code) {
    if (!m_cursor || code == status::kSuccess) return;
    // The directory being read sits one level above the entries reported into it.
    DirInfo* dir = m_cursor;
    while (dir->depth >= m_depth && dir->parent) dir = dir->parent;
    if (dir->damage != status::kSuccess) return;
    dir->damage = code;
    m_damaged.push_back(dir);
}

void DirTree::Clear() {
    std::deque<DirInfo>().swap(m_records);
    m_root = nullptr;
    m_cursor = nullptr;
    m_last = nullptr;
    m_damaged.clear();
    m_depth = 0;
}

}  // namespace lc
