// Paths inside the volume's DirInfo tree as the command line takes and writes them: parts
// separated by '/' or '\', matched regardless of case (Unicode simple case folding, as FAT and
// NTFS compare names), each part possibly a wildcard pattern (*, ?, [...]).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fs/DirInfo.h"

namespace lc::cli {

// The records that path names below root, in stored order (subfolders before files at each
// level); empty when nothing matches. Empty parts (a leading, doubled or trailing separator) are
// ignored, so "" and "/" name the root. A part without wildcards names one record: the one
// spelled exactly so if there is one, else the first that matches regardless of case, a folder
// before a file. Only folders lead on to further parts.
std::vector<const DirInfo*> ResolveVolumePaths(const DirInfo& root, std::string_view path);

// The one record a path without wildcards names, or null.
const DirInfo* ResolveVolumePath(const DirInfo& root, std::string_view path);

// The files of a folder in stored order (the tree holds them the other way round).
std::vector<const DirInfo*> FilesInStoredOrder(const DirInfo& folder);

// The path of a record relative to the root ("docs/report.pdf"); "" for the root.
std::string VolumePathOf(const DirInfo& record);

// Unicode simple case folding of one code point.
char32_t FoldCase(char32_t c);
// Whether name matches a shell pattern (*, ?, [...] with ranges and ! or ^), both folded.
bool MatchesPattern(std::u32string_view pattern, std::u32string_view name);

}  // namespace lc::cli
