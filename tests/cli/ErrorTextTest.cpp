#include "resources/ErrorText.h"

#include <gtest/gtest.h>

namespace lc {
namespace {

TEST(FormatOpenError, TextsOfTheOpenSequence) {
    struct Case {
        Status code;
        const char* english;
        const char* german;
    };
    const Case cases[] = {
        {1, "Unsupported file system (must be FAT).",
         "Dateisystem wird nicht unterstützt (muss FAT sein)."},
        {status::kErrNoKeyBlock, "No password defined for this volume.",
         "Für dieses Laufwerk existiert kein Passwort."},
        {status::kErrNotVolume, "This is not a virtual disk volume file.",
         "Ungültige Lockchamber Laufwerksdatei."},
        {2, "The system cannot find the file specified. (2)",
         "Das System kann die angegebene Datei nicht finden. (2)"},
        // No system text: string 32784 with the code and its low 16 bits, then the code.
        {status::kErrVersionTooNew, "Unknown error code f0000047 (71) (4026531911)",
         "Unbekannte Fehler f0000047 (71) (4026531911)"},
        {0x1234ABCD, "Unknown error code 1234abcd (43981) (305441741)", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FormatOpenError(c.code, Language::English), c.english) << c.code;
        if (c.german) {
            EXPECT_EQ(FormatOpenError(c.code, Language::German), c.german) << c.code;
        }
    }
}

}  // namespace
}  // namespace lc
