// Copies one file record of the open volume into an ordinary file.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "extract/OutputFolder.h"
#include "fs/DirInfo.h"
#include "fs/LCVolume.h"
#include "platform/Status.h"

namespace lc {

// Writes the record's data into out (a file just created) and checks that it came to the
// record's size (1392 when not). Compressed or encrypted records are refused with 50.
Status CopyRecordData(LCVolume& volume, const DirInfo& file, OutputFile& out);

// The record's modification time; empty when it names no real date.
std::optional<time_t> RecordTime(const DirInfo& file);

// The record as name in folder, written under a temporary name and renamed onto name only when
// complete. replace: whatever stands at name (a read-only copy, a link, a file with other links)
// is replaced, never written through; else 183 when the name is taken. On any failure nothing is
// left under name and what stood there is untouched.
Status ExtractFileAt(LCVolume& volume, const DirInfo& file, const OutputFolder& folder,
                     const std::string& name, bool replace);

// ExtractFileAt into the existing folder of outputPath, replacing.
Status ExtractFile(LCVolume& volume, const DirInfo& file, const std::string& outputPath);

}  // namespace lc
