// A small byte-oriented file wrapper with the open modes the log needs.
#pragma once

#include <cstdint>

#include "platform/Status.h"

namespace lc {

using FioHandle = int;
inline constexpr FioHandle kFioInvalidHandle = -1;

// Open modes.
inline constexpr uint32_t kFioOpenAppend = 8;    // read/write; existing only; append position
inline constexpr uint32_t kFioCreateNew = 1280;  // read/write; fails with 4104 when it exists
// Share value: others may read but not write while the file is open.
inline constexpr uint32_t kFioShareDenyWrite = 32;

// handle is set to kFioInvalidHandle first. Names that do not fit a path give 0xFFFF8A8D.
Status FIO_Open(const char* name, FioHandle* handle, uint32_t mode, uint32_t share);
Status FIO_Close(FioHandle handle);
Status FIO_WriteBin(FioHandle handle, const void* buffer, uint32_t length, uint32_t* written);
// Reads min(bufferSize, length) bytes.
Status FIO_ReadBin(FioHandle handle, void* buffer, uint32_t bufferSize, uint32_t length,
                   uint32_t* read);
// origin: 0 begin, 1 current, 2 end. position may be null.
Status FIO_Seek(FioHandle handle, int32_t offset, uint32_t origin, uint64_t* position);

}  // namespace lc
