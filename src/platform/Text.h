// Conversions between the UTF-16 text of volumes and passwords and the UTF-8 of Linux paths.
#pragma once

#include <string>
#include <string_view>

#include "platform/SecureBuffer.h"

namespace lc {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// As Utf8ToUtf16, into wiped memory, for passwords.
Password Utf8ToPassword(std::string_view text);

}  // namespace lc
