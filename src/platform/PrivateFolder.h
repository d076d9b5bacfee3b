// Folders only the user may control (settings, temporary copies) and the path helpers that
// name them from the environment. Nothing here follows a symbolic link.
#pragma once

#include <string>

#include "platform/Status.h"

namespace lc {

// An existing real folder owned by the effective user; its mode is tightened to 0700. unsafe
// when the path is a link, not a folder or someone else's; else the system's code.
Status CheckPrivateFolder(const std::string& path, Status unsafe);
// Makes the folder (0700) when it is missing, then checks it as above.
Status MakePrivateFolder(const std::string& path, Status unsafe);

// The path without trailing '/' (but "/" stays).
std::string WithoutTrailingSlash(std::string path);
// A value (of an environment variable) that is set and an absolute path.
bool IsAbsolutePath(const char* value);

}  // namespace lc
