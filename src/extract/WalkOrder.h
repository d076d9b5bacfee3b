// The order an extraction takes a folder's children in, and the look over a selection that the
// window makes before it writes anything. The command line, the window and the Extractor all
// walk by these.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "fs/DirInfo.h"

namespace lc {

// Bounds the walks over the in-memory tree (it is finite and acyclic; this only guards).
inline constexpr size_t kMaxWalkRecords = 16u * 1024 * 1024;

// A folder's files as the tree links them, then its subfolders; at most kMaxWalkRecords.
std::vector<const DirInfo*> ChildrenInWalkOrder(const DirInfo& folder);

// The first file an extraction of items would pass over as unsupported (IsUnsupportedData), in
// walk order: the items themselves and, when descend, everything below the folders among
// them. Null when there is none.
const DirInfo* FirstUnsupportedFile(std::span<const DirInfo* const> items, bool descend);

}  // namespace lc
