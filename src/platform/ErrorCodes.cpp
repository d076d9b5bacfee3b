#include "platform/ErrorCodes.h"

#include <cerrno>
#include <cstdio>
#include <ostream>
#include <utility>

namespace lc {

Status StatusFromErrno(int error) {
    switch (error) {
        case 0: return status::kSuccess;
        case ENOENT: return status::kFileNotFound;
        case ENOTDIR: return status::kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS: return status::kAccessDenied;
        case EBADF: return status::kInvalidHandle;
        case ENOMEM: return status::kNotEnoughMemory;
        case ENOSPC:
        case EDQUOT: return status::kDiskFull;
        case EEXIST: return status::kAlreadyExists;
        case ENAMETOOLONG: return status::kFilenameTooLong;
        case EIO: return status::kIoDevice;
        case EINVAL: return status::kInvalidParameter;
        case ENOTEMPTY: return status::kDirNotEmpty;
        case EISDIR: return status::kAccessDenied;
        case EBUSY:
        case ETXTBSY: return status::kSharingViolation;
        case ELOOP: return status::kCantResolveFilename;
        case EMFILE:
        case ENFILE: return status::kTooManyOpenFiles;
        case EFBIG: return status::kFileTooLarge;
        case EXDEV: return status::kNotSameDevice;
        case ENOTSUP: return status::kNotSupported;
        case ESPIPE: return status::kSeek;
        case EAGAIN: return status::kLockViolation;
        default: return status::kGenFailure;
    }
}

Status LastErrorStatus() {
    Status s = StatusFromErrno(errno);
    return s == status::kSuccess ? status::kHandleEof : s;
}

namespace {

struct MessageEntry {
    uint32_t code;
    const char* english;
    const char* german;
};

// The texts Windows gives for the codes this program can meet.
constexpr MessageEntry kMessages[] = {
    {0, "The operation completed successfully.", "Der Vorgang wurde erfolgreich beendet."},
    {1, "Incorrect function.", "Unzulässige Funktion."},
    {2, "The system cannot find the file specified.",
     "Das System kann die angegebene Datei nicht finden."},
    {3, "The system cannot find the path specified.",
     "Das System kann den angegebenen Pfad nicht finden."},
    {4, "The system cannot open the file.", "Das System kann die Datei nicht öffnen."},
    {5, "Access is denied.", "Zugriff verweigert"},
    {6, "The handle is invalid.", "Das Handle ist ungültig."},
    {8, "Not enough memory resources are available to process this command.",
     "Nicht genügend Speicher verfügbar, um diesen Befehl zu verarbeiten."},
    {14, "Not enough memory resources are available to complete this operation.",
     "Nicht genügend Speicher verfügbar, um diesen Vorgang auszuführen."},
    {17, "The system cannot move the file to a different disk drive.",
     "Die Datei kann nicht auf ein anderes Laufwerk verschoben werden."},
    {23, "Data error (cyclic redundancy check).", "Datenfehler (CRC-Prüfung)"},
    {25, "The drive cannot locate a specific area or track on the disk.",
     "Das Laufwerk kann einen bestimmten Bereich oder eine Spur auf dem Datenträger nicht finden."},
    {31, "A device attached to the system is not functioning.",
     "Ein an das System angeschlossenes Gerät funktioniert nicht."},
    {32, "The process cannot access the file because it is being used by another process.",
     "Der Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet "
     "wird."},
    {33, "The process cannot access the file because another process has locked a portion of the "
         "file.",
     "Der Prozess kann nicht auf die Datei zugreifen, da ein anderer Prozess einen Teil der Datei "
     "gesperrt hat."},
    {38, "Reached the end of the file.", "Das Dateiende wurde erreicht."},
    {50, "The request is not supported.", "Die Anfrage wird nicht unterstützt."},
    {80, "The file exists.", "Die Datei ist vorhanden."},
    {86, "The specified network password is not correct.",
     "Das angegebene Netzwerkkennwort ist falsch."},
    {87, "The parameter is incorrect.", "Falscher Parameter."},
    {111, "The file name is too long.", "Der Dateiname ist zu lang."},
    {112, "There is not enough space on the disk.",
     "Auf dem Datenträger ist nicht genügend Speicherplatz vorhanden."},
    {131, "An attempt was made to move the file pointer before the beginning of the file.",
     "Es wurde versucht, den Dateizeiger vor den Anfang der Datei zu setzen."},
    {145, "The directory is not empty.", "Das Verzeichnis ist nicht leer."},
    {183, "Cannot create a file when that file already exists.",
     "Eine Datei kann nicht erstellt werden, wenn sie bereits vorhanden ist."},
    {206, "The filename or extension is too long.",
     "Der Dateiname oder die Erweiterung ist zu lang."},
    {212, "The segment is locked and cannot be reallocated.",
     "Das Segment ist gesperrt und kann nicht neu zugeordnet werden."},
    {223, "The file size exceeds the limit allowed and cannot be saved.",
     "Die Dateigröße überschreitet den zulässigen Wert und kann nicht gespeichert werden."},
    {234, "More data is available.", "Weitere Daten sind verfügbar."},
    {267, "The directory name is invalid.", "Der Verzeichnisname ist ungültig."},
    {1117, "The request could not be performed because of an I/O device error.",
     "Die Anforderung konnte wegen eines E/A-Gerätefehlers nicht ausgeführt werden."},
    {1223, "The operation was canceled by the user.", "Der Vorgang wurde vom Benutzer abgebrochen."},
    {1392, "The file or directory is corrupted and unreadable.",
     "Die Datei oder das Verzeichnis ist beschädigt und nicht lesbar."},
    {1921, "The name of the file cannot be resolved by the system.",
     "Der Name der Datei kann nicht vom System aufgelöst werden."},
    {0xF0000050,
     "The temporary folder is not safe to use: it is a link, not a folder, or belongs to another "
     "user.",
     "Der temporäre Ordner ist nicht sicher: Er ist ein Link, kein Ordner oder gehört einem "
     "anderen Benutzer."},
};

}  // namespace

std::optional<std::string> SystemMessageText(Status code, Language language) {
    for (const auto& entry : kMessages) {
        if (entry.code == code.code())
            return language == Language::German ? entry.german : entry.english;
    }
    return std::nullopt;
}

std::ostream& operator<<(std::ostream& out, Status status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", status.code());
    return out << text;
}

}  // namespace lc
