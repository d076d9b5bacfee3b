// Where the command-line tool gets a password: --password-file FILE (its first line), else the
// environment variable LCPORTABLE_PASSWORD, else the terminal without echo.
#pragma once

#include <string>

#include "platform/SecureBuffer.h"
#include "platform/Status.h"

namespace lc::cli {

inline constexpr const char* kPasswordVariable = "LCPORTABLE_PASSWORD";

enum class PasswordPrompt { Allowed, Never };

// 0 with the password as UTF-16 code units; 1223 when none is given and the terminal may not
// (or cannot) be asked; else the code of reading the password file.
Status ObtainPassword(const std::string& passwordFile, PasswordPrompt prompt, Password& out);

// True when a password comes without asking: a password file is named or the variable is set.
bool PasswordGivenWithoutPrompt(const std::string& passwordFile);

}  // namespace lc::cli
