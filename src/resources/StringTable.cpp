#include "resources/StringTable.h"

namespace lc {

namespace {

struct StringEntry {
    uint32_t id;
    const char* english;
    const char* german;
};

constexpr StringEntry kStrings[] = {
    {5, "No password defined for this volume.", "Für dieses Laufwerk existiert kein Passwort."},
    {6, "This is not a virtual disk volume file.", "Ungültige Lockchamber Laufwerksdatei."},
    {15, "Keyring is not supported in this version of Fortalice® portable reader.",
     "Keyring wird in dieser Version vom Fortalice® Portable nicht unterstützt. Bitte verwenden "
     "Sie ein Passwort zum Schutz des Volumes zum Austausch mit dem Fortalice® Portable."},
    {32779, "Unsupported file system (must be FAT).",
     "Dateisystem wird nicht unterstützt (muss FAT sein)."},
    {32782, "Fortalice® Lockchamber Portable", "Fortalice® Lockchamber Portable"},
    {32784, "Unknown error code %08x (%d)", "Unbekannte Fehler %08x (%d)"},
};

}  // namespace

std::string LoadString(uint32_t id, Language language) {
    for (const auto& s : kStrings) {
        if (s.id == id) return language == Language::German ? s.german : s.english;
    }
    return {};
}

std::string LoadString(uint32_t id) { return LoadString(id, UserLanguage()); }

}  // namespace lc
