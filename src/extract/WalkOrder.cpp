#include "extract/WalkOrder.h"

namespace lc {

std::vector<const DirInfo*> ChildrenInWalkOrder(const DirInfo& folder) {
    std::vector<const DirInfo*> children;
    for (const DirInfo* f = folder.firstFile; f != nullptr && children.size() < kMaxWalkRecords;
         f = f->nextFile) {
        children.push_back(f);
    }
    for (const DirInfo* d = folder.firstChild; d != nullptr && children.size() < kMaxWalkRecords;
         d = d->nextSibling) {
        children.push_back(d);
    }
    return children;
}

const DirInfo* FirstUnsupportedFile(std::span<const DirInfo* const> items, bool descend) {
    // A stack in reverse walk order: its back is the next record the walk takes.
    std::vector<const DirInfo*> pending(items.rbegin(), items.rend());
    size_t visited = 0;
    while (!pending.empty() && visited++ < kMaxWalkRecords) {
        const DirInfo* record = pending.back();
        pending.pop_back();
        if (record->IsFile()) {
            if (IsUnsupportedData(*record)) return record;
            continue;
        }
        if (!descend) continue;
        const std::vector<const DirInfo*> inside = ChildrenInWalkOrder(*record);
        pending.insert(pending.end(), inside.rbegin(), inside.rend());
    }
    return nullptr;
}

}  // namespace lc
