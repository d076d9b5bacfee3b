// The diagnostic log: silent unless the environment variable "ERRLFILE" names a file to append
// to; "ERRLVEL" widens the level mask (which starts at 1).
#pragma once

#include <cstdint>
#include <ctime>

#include "platform/Status.h"

namespace lc {

// Appends one entry: a header line, then the formatted message in boxed 58-character lines.
// Returns 0, or 0xFFFF8A90 (-30064) when the log file cannot be opened or created.
Status ErrLogWrite(uint8_t level, const char* module, const char* function, int line, Status code,
                   const char* messageFormat, ...) __attribute__((format(printf, 6, 7)));

// For tests: the level mask back to 1 (it otherwise only grows for the life of the process),
// and a fixed local time for the header line (null restores the clock).
void ErrLogResetLevelMaskForTest();
void ErrLogSetTimeForTest(const std::tm* localTime);

}  // namespace lc
