// Menu 101 and accelerator table 101 as plain data: the window layer builds its menu bar from it.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Locale.h"

namespace lc {

struct MenuItemTemplate {
    enum Flags : uint32_t { kNone = 0, kSeparator = 1, kGrayed = 2, kChecked = 4 };

    uint32_t id = 0;             // 0 for separators and pop-ups
    const char* caption = "";    // UTF-8, '&' marks the mnemonic
    const char* accelText = "";  // shown after the caption
    uint32_t flags = kNone;
    std::vector<MenuItemTemplate> children;  // non-empty: a pop-up

    bool IsPopup() const { return !children.empty(); }
    bool IsSeparator() const { return (flags & kSeparator) != 0; }
};

struct AcceleratorTemplate {
    const char* keys;  // "Ctrl+O" and the like, in the portable key-sequence notation
    uint32_t id;
};

namespace command {
inline constexpr uint32_t kAbout = 201;
inline constexpr uint32_t kCopy = 204;
inline constexpr uint32_t kStatusBar = 208;
inline constexpr uint32_t kSelectAll = 232;
inline constexpr uint32_t kProperties = 236;
inline constexpr uint32_t kOpen = 2001;
inline constexpr uint32_t kExit = 2002;
inline constexpr uint32_t kExtract = 2003;
inline constexpr uint32_t kView = 2004;
inline constexpr uint32_t kDefaultExtract = 2005;
inline constexpr uint32_t kExtractToTemp = 2006;
inline constexpr uint32_t kExtractToUser = 2007;
inline constexpr uint32_t kDefaultView = 2008;
inline constexpr uint32_t kRecentFile1 = 57616;
inline constexpr uint32_t kRecentFileCount = 4;
inline constexpr uint32_t kViewSmallIcons = 59408;
inline constexpr uint32_t kViewLargeIcons = 59409;
inline constexpr uint32_t kViewList = 59410;
inline constexpr uint32_t kViewDetails = 59411;
}  // namespace command

// The top-level items of menu 101 in the given language (same structure and ids in both).
const std::vector<MenuItemTemplate>& MenuTemplate(Language language);
// Accelerator table 101 (exists in English only).
const std::vector<AcceleratorTemplate>& AcceleratorTable();

}  // namespace lc
