// Paths inside the volume's DirInfo tree as the command line writes them: names as stored (UTF-8),
// '/' between them, the root as "" or "/".
#pragma once

#include <string>
#include <string_view>

#include "fs/DirInfo.h"

namespace lc::cli {

// The record at path below root, or null when a part of it does not exist. Empty parts (a
// leading, doubled or trailing '/') are ignored; a name that is a folder and a file is taken
// as the folder.
const DirInfo* ResolveVolumePath(const DirInfo& root, std::string_view path);

// The path of a record relative to the root ("docs/report.pdf"); "" for the root.
std::string VolumePathOf(const DirInfo& record);

}  // namespace lc::cli
