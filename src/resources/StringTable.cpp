#include "resources/StringTable.h"

namespace lc {

namespace {

struct StringEntry {
    uint32_t id;
    const char* english;
    const char* german;
};

// Sorted by id. Typing slips in some English texts are the product's own and stay as they are.
constexpr StringEntry kStrings[] = {
    {2, "&Copy", "&Kopieren"},
    {3, "&View", "&Anzeigen"},
    {4, "&Extract", "&Extrahieren"},
    {5, "No password defined for this volume.", "Für dieses Laufwerk existiert kein Passwort."},
    {6, "This is not a virtual disk volume file.", "Ungültige Lockchamber Laufwerksdatei."},
    {7, "Files successfully extracted.", "Dateien erfolgreich extrahiert."},
    {8, "Extract", "Extrahiere"},
    {9, "Extract to:", "Extrahiere nach:"},
    {10, "Unable to create directory %s!", "Verzeichnis %s konnte nicht erzeugt werden!"},
    {11, "Error", "Fehler"},
    {12, "Wrong password. Next attempt is delayed...",
     "Falsches Passwort. Der nächste Versuch wird verzögert..."},
    {14, "Removable Disk", "Wechseldatenträger"},
    {15, "Keyring is not supported in this version of Fortalice® portable reader.",
     "Keyring wird in dieser Version vom Fortalice® Portable nicht unterstützt. Bitte verwenden "
     "Sie ein Passwort zum Schutz des Volumes zum Austausch mit dem Fortalice® Portable."},
    {101,
     "Fortalice® Lockchamber Portable\nVolume\nLCPortable\nFortalice® Lockchamber Volumes "
     "(*.vol)\n.vol\nLCPortable.Document\nLCPortable.Document",
     "Fortalice® Lockchamber Portable\nVolume\nLCPortable\nFortalice® Lockchamber Volumes "
     "(*.vol)\n.vol\nLCPortable.Document\nLCPortable.Document"},
    {204, "Copies the selected itmes to the Clipboad.",
     "Kopiert die markierten Elemente in die Zwischenablage."},
    {208, "Shows or hides the status bar.", "Blendet die Statusleiste ein oder aus."},
    {232, "Selects all items in the window.", "Wählt alle Elemente im Fenster aus."},
    {234, "unsupported encrypted file", "nicht unterstützte verschlüsselte Datei"},
    {235, "unsupported compressed file", "nicht unterstützte komprimierte Datei"},
    {236, "Extraction of compressed files are not supported",
     "Extraktion von komprimierten Dateien wird nicht unterstützt."},
    {237, "Extraction of encrypted files are not supported",
     "Extraktion von verschlüsselten Dateien wird nicht unterstützt."},
    {238,
     "Extraction of compressed files are not supported. YES=skip unsupported files, NO=abort "
     "extract?\")",
     "Extraktion von komprimierten Dateien wird nicht unterstützt. JA=überspringe nicht "
     "unterstützte Dateien, NEIN=Beende Vorgang?\")"},
    {239,
     "Extraction of encrypted files are not supported. YES=skip unsupported files, NO=abort "
     "extract?\")",
     "Extraktion von verschlüsselten Dateien wird nicht unterstützt. JA=überspringe nicht "
     "unterstützte Dateien, NEIN=Beende Vorgang?\")"},
    {2001, "Opens a volume file.\nOpens a volume file.",
     "Öffnet ein Lockchamber Volume.\nÖffnet ein Lockchamber Volume."},
    {2002, "Closes the window.\nCloses the window.",
     "Schließt das Fenster.\nSchließt das Fenster."},
    {2003, "Extracts the selected items.", "Extrahiert die markierten Elemente."},
    {2004, "Opens the selected files.", "Öffnet die markierten Dateien."},
    {32772, "Name", "Name"},
    {32773, "Size", "Größe"},
    {32774, "Date Modified", "Geändert am"},
    {32776, "Save File As...", "Datei Speichern Unter..."},
    {32777, "Select Lockchamber...", "Wähle Lockchamber..."},
    {32779, "Unsupported file system (must be FAT).",
     "Dateisystem wird nicht unterstützt (muss FAT sein)."},
    {32780, "Unable to extract file %s to %s!\n\nError: %i\n%s",
     "Kann Datei %s nicht nach %s extrahieren!\n\nFehler: %i\n%s"},
    {32781, "File successfully extracted: %s", "Datei %s erfolgreich extrahiert."},
    {32782, "Fortalice® Lockchamber Portable", "Fortalice® Lockchamber Portable"},
    {32783, "Unable to extract the selected file for viewing!\n\nError: %i\n%s",
     "Kann zu zeigende Datei nicht extrahieren!\n\nFehler: %i\n%s"},
    {32784, "Unknown error code %08x (%d)", "Unbekannte Fehler %08x (%d)"},
    {32785, "Extracting... (%02i%%)", "Extrahiert... (%02i%%)"},
    {32786,
     "Could not lauch the extracted file:\n%s.\n\nPlease verify that the applicatation needed "
     "to open the file is installed.",
     "Konnte die extrahierte Datei nicht starten:\n%s.\n\nVerifizieren Sie dass die Anwendung "
     "zum Öffnen der Datei installiert ist."},
    {32792,
     "Some folders of this volume could not be read. They are shown as far as they could be "
     "read:\n\n%s\n\n%s",
     "Einige Ordner dieses Laufwerks konnten nicht gelesen werden. Sie werden angezeigt, soweit "
     "sie gelesen werden konnten:\n\n%s\n\n%s"},
    {32793, "and %u more", "und %u weitere"},
    {57616, "Open this volume", "Dieses Volume öffnen."},
};

}  // namespace

std::string LoadString(uint32_t id, Language language) {
    for (const auto& s : kStrings) {
        if (s.id == id) return language == Language::German ? s.german : s.english;
    }
    return {};
}

std::string LoadString(uint32_t id) {
    return LoadString(id, UserLanguage());
}

}  // namespace lc
