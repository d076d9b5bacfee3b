#include "resources/DialogTemplates.h"

namespace lc {

namespace {

using K = DialogControlTemplate::Kind;

const std::vector<DialogTemplate>& Templates() {
    static const std::vector<DialogTemplate> templates = {
        {dialog::kPassword,
         186,
         52,
         "Lockchamber Password",
         "Lockchamber Passwort",
         {
             {dialog::kStatic, K::Label, "&Password:", "&Passwort:", 7, 10, 42, 8},
             {dialog::kPasswordEdit, K::PasswordEdit, "", "", 50, 7, 129, 14},
             {dialog::kOk, K::DefaultButton, "OK", "OK", 75, 31, 50, 14},
             {dialog::kCancel, K::Button, "Cancel", "Abbrechen", 129, 31, 50, 14},
         }},
        {dialog::kRetryDelay,
         286,
         48,
         "",
         "",
         {
             {dialog::kRetryDelayText, K::Label, "Wrong password. Next attempt is delayed...",
              "Wrong password. Next attempt is delayed...", 7, 7, 272, 8},
             {dialog::kRetryDelayProgress, K::ProgressBar, "", "", 7, 22, 272, 14},
         }},
        {dialog::kConfirmReplace,
         273,
         90,
         "Confirm File Replace",
         "Ersetzen von Dateien bestätigen",
         {
             {dialog::kConfirmReplaceText, K::Label,
              "This folder already contains a file named '%s'.",
              "Dieser Ordner enthält bereits eine Datei '%s'.", 7, 7, 259, 20},
             {dialog::kStatic, K::Label, "Would you like to replace the existing file?",
              "Möchen Sie die existierende Datei ersetzen?", 7, 33, 259, 10},
             {dialog::kOk, K::DefaultButton, "&Yes", "&Ja", 7, 69, 60, 14},
             {dialog::kYesToAll, K::Button, "Yes to &All", "Ja, &alle", 73, 69, 60, 14},
             {dialog::kNo, K::Button, "&No", "&Nein", 139, 69, 60, 14},
             {dialog::kCancel, K::Button, "Cancel", "Abbrechen", 206, 69, 60, 14},
         }},
    };
    return templates;
}

}  // namespace

const DialogControlTemplate* DialogTemplate::Control(uint32_t controlId) const {
    for (const auto& c : controls) {
        if (c.id == controlId) return &c;
    }
    return nullptr;
}

const DialogTemplate* FindDialogTemplate(uint32_t id) {
    for (const auto& t : Templates()) {
        if (t.id == id) return &t;
    }
    return nullptr;
}

}  // namespace lc
