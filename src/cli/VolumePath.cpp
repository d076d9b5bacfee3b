#include "cli/VolumePath.h"

#include <vector>

#include "platform/Text.h"

namespace lc::cli {

namespace {

const DirInfo* FindChild(const DirInfo& folder, const std::string& name, bool wantFolderOnly) {
    for (const DirInfo* d = folder.firstChild; d != nullptr; d = d->nextSibling) {
        if (Utf16ToUtf8(d->name) == name) return d;
    }
    if (wantFolderOnly) return nullptr;
    for (const DirInfo* f = folder.firstFile; f != nullptr; f = f->nextFile) {
        if (Utf16ToUtf8(f->name) == name) return f;
    }
    return nullptr;
}

}  // namespace

const DirInfo* ResolveVolumePath(const DirInfo& root, std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) parts.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    const DirInfo* current = &root;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!current->IsDirectory()) return nullptr;
        current = FindChild(*current, parts[i], i + 1 < parts.size());
        if (current == nullptr) return nullptr;
    }
    return current;
}

std::string VolumePathOf(const DirInfo& record) {
    std::vector<const DirInfo*> chain;
    // The tree's depth is bounded by its reader; the parent links end at the root.
    for (const DirInfo* r = &record; r != nullptr && r->parent != nullptr; r = r->parent) {
        chain.push_back(r);
    }
    std::string path;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (!path.empty()) path += '/';
        path += Utf16ToUtf8((*it)->name);
    }
    return path;
}

}  // namespace lc::cli
