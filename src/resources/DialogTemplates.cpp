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
        // Our own texts; the picture under them is bitmap 233.
        {dialog::kAbout,
         255,
         148,
         "",
         "",
         {
             {dialog::kStatic, K::Label, "\xC2\xA9 2004-2026", "\xC2\xA9 2004-2026", 20, 68, 77, 9},
             {dialog::kStatic, K::Label,
              "A utility that extracts files from an encrypted virtual drive, without "
              "installing anything.",
              "Ein Programm, das Dateien aus einem verschl\xC3\xBCsselten virtuellen Laufwerk "
              "extrahiert, ohne Installation.",
              20, 90, 218, 19},
             {dialog::kStatic, K::Label, "Kelmora Software", "Kelmora Software", 20, 76, 77, 9},
             {dialog::kStatic, K::Label, "More about our products:",
              "Mehr \xC3\xBC"
              "ber unsere Produkte:",
              20, 110, 102, 16},
             {dialog::kAboutLink, K::Label, "www.kelmora.example", "www.kelmora.example", 20, 126,
              108, 10},
             {dialog::kAboutVersion, K::CentredLabel, "Version %s", "Version %s", 130, 65, 99, 8},
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
