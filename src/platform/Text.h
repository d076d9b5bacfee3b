// Conversions between the UTF-16 text of volumes and passwords and the UTF-8 of Linux paths.
#pragma once

#include <string>
#include <string_view>

#include "platform/SecureBuffer.h"

namespace lc {

// Appends one code point as UTF-8.
void AppendUtf8(std::string& out, char32_t codePoint);

// The code point at text[i], a surrogate pair taken whole (i then moves past its first half).
// An unpaired surrogate is returned as it is.
char32_t NextCodePoint(std::u16string_view text, size_t& i);
// Code points as they are, unpaired surrogates kept.
std::u32string Utf16ToCodePoints(std::u16string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
// Invalid UTF-8 sequences become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// As Utf8ToUtf16, into wiped memory, for passwords.
Password Utf8ToPassword(std::string_view text);

}  // namespace lc
