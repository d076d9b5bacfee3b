// Dialog templates 102, 202, 226 and 231 as plain data. Positions and sizes are dialog units; the
// window layer turns them into pixels through the dialog font's average character size.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Locale.h"

namespace lc {

struct DialogControlTemplate {
    enum class Kind { Label, CentredLabel, PasswordEdit, Button, DefaultButton, ProgressBar };

    uint32_t id;  // 0xFFFF for labels that code never addresses
    Kind kind;
    const char* english;
    const char* german;
    int x, y, width, height;

    const char* Text(Language language) const {
        return language == Language::German ? german : english;
    }
};

struct DialogTemplate {
    uint32_t id;
    int width, height;
    const char* englishTitle;  // empty: no caption bar
    const char* germanTitle;
    std::vector<DialogControlTemplate> controls;

    const char* Title(Language language) const {
        return language == Language::German ? germanTitle : englishTitle;
    }
    const DialogControlTemplate* Control(uint32_t controlId) const;
};

namespace dialog {
inline constexpr uint32_t kPassword = 102;
inline constexpr uint32_t kPasswordEdit = 1006;
inline constexpr uint32_t kAbout = 202;
inline constexpr uint32_t kAboutLink = 213;
inline constexpr uint32_t kAboutVersion = 214;
inline constexpr uint32_t kRetryDelay = 226;
inline constexpr uint32_t kRetryDelayText = 217;
inline constexpr uint32_t kRetryDelayProgress = 218;
inline constexpr uint32_t kConfirmReplace = 231;
inline constexpr uint32_t kConfirmReplaceText = 220;
inline constexpr uint32_t kYesToAll = 223;
inline constexpr uint32_t kNo = 225;
inline constexpr uint32_t kOk = 1;
inline constexpr uint32_t kCancel = 2;
inline constexpr uint32_t kStatic = 0xFFFF;
}  // namespace dialog

// Null for an unknown id.
const DialogTemplate* FindDialogTemplate(uint32_t id);

}  // namespace lc
