// A reversible mapping of arbitrary UTF-16 names (from volume headers or settings keys) to one
// safe path component: '%', '/', NUL, control characters, a leading '.' and unpaired surrogates
// are percent-encoded, so no name can be ".", ".." or reach outside its folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lc {

// Never empty, never starts with '.', at most 255 bytes. The empty name becomes "%". Names
// whose encoding is longer than 255 bytes are cut and get "%~" plus a 64-bit hash, so they
// stay distinct but can no longer be decoded.
std::string EncodeFileName(std::u16string_view name);
// The name EncodeFileName made, or nothing for text it cannot have made.
std::optional<std::u16string> DecodeFileName(std::string_view fileName);

}  // namespace lc
