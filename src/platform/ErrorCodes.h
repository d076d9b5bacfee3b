// The Linux stand-ins for the Windows error services: errno → Windows code, and the message
// text of a code (what FormatMessage gives on Windows), in English or German.
#pragma once

#include <optional>
#include <string>

#include "platform/Locale.h"
#include "platform/Status.h"

namespace lc {

// Maps an errno value to the matching Windows system error code. 0 stays 0.
Status StatusFromErrno(int error);
// StatusFromErrno(errno); never 0 (an unset errno gives 38, "Reached the end of the file.").
Status LastErrorStatus();

// The system's message text for a code (UTF-8, no trailing line break), or nothing when the
// table has no text for it.
std::optional<std::string> SystemMessageText(Status code, Language language);

}  // namespace lc
