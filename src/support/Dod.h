// Secure wipe of temporary plain copies: three overwrite passes, three renames, delete.
// Constructing a Dod seeds the process-wide random generator.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Status.h"

namespace lc {

// Told after every overwrite pass of WipeFile (tests look at the file there).
class WipePassObserver {
public:
    virtual ~WipePassObserver() = default;
    virtual void AfterPass(const std::string& path, int pass, size_t bufferSize) = 0;
};

// Told after every buffer a wipe writes, so that a window can stay painted through a large file.
class WipeProgress {
public:
    virtual ~WipeProgress() = default;
    virtual void Wiping() = 0;
};

class Dod {
public:
    // Seeds LRND from the current UTC time as a 16-byte SYSTEMTIME-like record.
    Dod();

    // 0 when the file is gone; else the code of reading its size, 8 (no buffer), 1 (attributes
    // cannot be set) or 2 (delete failed). Never follows a symbolic link.
    static Status WipeFile(const std::string& path, WipeProgress* progress = nullptr);
    // Renames the last component (a trailing '/' is dropped, so a folder renames itself) to all
    // 'A', then 'B', then 'C', dots kept; stops at the first move that fails (a taken name).
    // Returns the name reached.
    static std::string RenameForDeletion(const std::string& path);
    // Writes buffer over the whole file, from the start, in whole buffers; flushes.
    static void OverwritePass(const std::string& path, int64_t size, const uint8_t* buffer,
                              size_t bufferSize, WipeProgress* progress = nullptr);
    // The smallest multiple of the page size holding min(size, 65536), at least one page.
    static size_t WipeBufferSize(uint64_t size);

    static void SetPassObserverForTest(WipePassObserver* observer);
};

}  // namespace lc
