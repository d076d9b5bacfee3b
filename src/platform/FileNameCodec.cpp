#include "platform/FileNameCodec.h"

#include "platform/Text.h"

#include <cstdint>
#include <vector>

namespace lc {

namespace {

constexpr size_t kMaxNameBytes = 255;
constexpr size_t kHashSuffixBytes = 2 + 16;  // "%~" + 16 hex digits
constexpr char kHex[] = "0123456789ABCDEF";

bool IsHighSurrogate(char16_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(char16_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

bool MustEscape(char32_t cp, bool first) {
    return cp < 0x20 || cp == 0x7F || cp == '/' || cp == '%' || (first && cp == '.');
}

// One token per UTF-16 character, so a long name can be cut between characters.
std::vector<std::string> EncodeTokens(std::u16string_view name) {
    std::vector<std::string> tokens;
    for (size_t i = 0; i < name.size();) {
        char16_t u = name[i];
        std::string token;
        if (IsHighSurrogate(u) && i + 1 < name.size() && IsLowSurrogate(name[i + 1])) {
            char32_t cp = 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                          (static_cast<char32_t>(name[i + 1]) - 0xDC00);
            AppendUtf8(token, cp);
            i += 2;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            token = "%u";
            for (int shift = 12; shift >= 0; shift -= 4) token.push_back(kHex[(u >> shift) & 0xF]);
            ++i;
        } else if (MustEscape(u, i == 0)) {
            token = {'%', kHex[(u >> 4) & 0xF], kHex[u & 0xF]};
            ++i;
        } else {
            AppendUtf8(token, u);
            ++i;
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

uint64_t Fnv1a(std::u16string_view name) {
    uint64_t h = 0xCBF29CE484222325ull;
    for (char16_t u : name) {
        for (int b = 0; b < 2; ++b) {
            h ^= static_cast<uint8_t>(u >> (8 * b));
            h *= 0x100000001B3ull;
        }
    }
    return h;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool DecodeUtf8(std::string_view s, size_t& i, char32_t& cp) {
    auto b0 = static_cast<uint8_t>(s[i]);
    size_t extra;
    char32_t min;
    if (b0 < 0x80) {
        cp = b0, extra = 0, min = 0;
    } else if ((b0 & 0xE0) == 0xC0) {
        cp = b0 & 0x1F, extra = 1, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        cp = b0 & 0x0F, extra = 2, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        cp = b0 & 0x07, extra = 3, min = 0x10000;
    } else {
        return false;
    }
    if (s.size() - i - 1 < extra) return false;
    for (size_t k = 1; k <= extra; ++k) {
        auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
    return true;
}

}  // namespace

std::string EncodeFileName(std::u16string_view name) {
    if (name.empty()) return "%";
    std::vector<std::string> tokens = EncodeTokens(name);
    size_t total = 0;
    for (const auto& t : tokens) total += t.size();
    std::string out;
    out.reserve(total < kMaxNameBytes ? total : kMaxNameBytes);
    if (total <= kMaxNameBytes) {
        for (const auto& t : tokens) out += t;
        return out;
    }
    for (const auto& t : tokens) {
        if (out.size() + t.size() > kMaxNameBytes - kHashSuffixBytes) break;
        out += t;
    }
    uint64_t h = Fnv1a(name);
    out += "%~";
    for (int shift = 60; shift >= 0; shift -= 4) out.push_back(kHex[(h >> shift) & 0xF]);
    return out;
}

std::optional<std::u16string> DecodeFileName(std::string_view fileName) {
    if (fileName == "%") return std::u16string();
    std::u16string out;
    for (size_t i = 0; i < fileName.size();) {
        if (fileName[i] == '%') {
            if (i + 1 < fileName.size() && fileName[i + 1] == 'u') {
                if (fileName.size() - i < 6) return std::nullopt;
                int value = 0;
                for (size_t k = 2; k < 6; ++k) {
                    int h = HexValue(fileName[i + k]);
                    if (h < 0) return std::nullopt;
                    value = value * 16 + h;
                }
                out.push_back(static_cast<char16_t>(value));
                i += 6;
                continue;
            }
            if (fileName.size() - i < 3) return std::nullopt;
            int hi = HexValue(fileName[i + 1]);
            int lo = HexValue(fileName[i + 2]);
            if (hi < 0 || lo < 0) return std::nullopt;
            out.push_back(static_cast<char16_t>(hi * 16 + lo));
            i += 3;
            continue;
        }
        char32_t cp = 0;
        if (!DecodeUtf8(fileName, i, cp)) return std::nullopt;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    // Only the canonical spelling decodes, so distinct file names never give the same name.
    if (EncodeFileName(out) != fileName) return std::nullopt;
    return out;
}

}  // namespace lc
