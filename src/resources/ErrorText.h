// The text a failed open shows the user: the words of the open sequence's error report, shared
// by the command-line tool and the desktop application.
#pragma once

#include <string>

#include "platform/Locale.h"
#include "platform/Status.h"

namespace lc {

// 1 → string 32779, ErrNoKeyBlock → string 5, ErrNotVolume → string 6; any other code: the
// system's message text cut at its first line break (or string 32784 filled with the code and
// its low 16 bits when there is none), followed by " (code)". UTF-8.
std::string FormatOpenError(Status code, Language language);
std::string FormatOpenError(Status code);

// The system's message text for a code cut at its first line break, or string 32784 filled with
// the code and its low 16 bits when the system has none. UTF-8.
std::string FormatSystemError(Status code, Language language);

// The code as a decimal number, as the texts above show it after the message.
std::string StatusCodeText(Status code);

}  // namespace lc
