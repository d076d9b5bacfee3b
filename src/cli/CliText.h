// How the command-line tool words things: error reasons in the usual Unix form, names from the
// volume made safe for a terminal, and JSON strings that are always valid.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Status.h"

namespace lc::cli {

// Plain words for a code, then the code in parentheses for scripts: "wrong password (86)",
// "No such file or directory (2)" (strerror for the codes that stand for an errno value).
std::string ReasonText(Status code);

// The reason a volume file could not be opened or read, with what only the file can tell: the
// errno of opening it, its format version, whether it is short or not a volume at all.
std::string VolumeReasonText(const std::string& path, Status code);

// "lcportable-cli: SUBJECT: REASON" on stderr, the subject escaped for a terminal.
void PrintError(std::string_view subject, const std::string& reason);
// "lcportable-cli: REASON" on stderr.
void PrintError(const std::string& reason);

// The text as GNU ls shows a name on a terminal when it holds control characters or invalid
// UTF-8: quoted, with the bad bytes as $'\n' or $'\xNN'; other text is returned as it is.
std::string ShellEscape(std::string_view text);
// ShellEscape when the stream is a terminal, else the text as it is.
std::string EscapeForStream(std::string_view text, FILE* stream);

// Appends text as a JSON string: quotes, backslashes and control characters escaped, invalid
// UTF-8 replaced by U+FFFD.
void AppendJsonString(std::string& out, std::string_view text);

// Standard output as the user sees it: "-" for the volume from standard input.
inline constexpr const char* kStdinVolume = "-";
// The path the core opens for a volume named on the command line ("-": standard input, which
// must be seekable); "" with `reason` set when it cannot be used.
std::string VolumeOpenPath(const std::string& argument, std::string& reason);

}  // namespace lc::cli
