// Copies one file record of the open volume into an ordinary file.
#pragma once

#include <string>

#include "fs/DirInfo.h"
#include "fs/LCVolume.h"
#include "platform/Status.h"

namespace lc {

// Creates (replacing, never through a link) outputPath with the record's data and its
// modification time. A read-only file at the path is replaced. On any failure, including data
// that does not come to the record's size, no output file is left (1392 for short data).
// Compressed or encrypted records are refused with 50 before anything is created.
Status ExtractFile(LCVolume& volume, const DirInfo& file, const std::string& outputPath);

}  // namespace lc
