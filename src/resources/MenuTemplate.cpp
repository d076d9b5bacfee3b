#include "resources/MenuTemplate.h"

namespace lc {

namespace {

using M = MenuItemTemplate;

std::vector<M> BuildMenu(Language language) {
    const bool de = language == Language::German;
    const M separator{0, "", "", M::kSeparator, {}};
    return {
        {0,
         de ? "&Datei" : "&File",
         "",
         M::kNone,
         {
             {command::kOpen,
              de ? "Ö&ffnen..." : "&Open...",
              de ? "Strg+O" : "Ctrl+O",
              M::kNone,
              {}},
             {command::kProperties, de ? "E&igenschaften" : "P&roperties", "", M::kGrayed, {}},
             separator,
             {command::kRecentFile1, de ? "Zuletzt verwendet" : "Recent File", "", M::kGrayed, {}},
             separator,
             {command::kExit, de ? "&Beenden" : "E&xit", "", M::kNone, {}},
         }},
        {0,
         de ? "&Bearbeiten" : "&Edit",
         "",
         M::kNone,
         {
             {command::kCopy, de ? "&Kopieren" : "&Copy", de ? "Strg+C" : "Ctrl+C", M::kNone, {}},
             {command::kExtract,
              de ? "&Extrahieren" : "&Extract",
              de ? "Umschalt+E" : "Shift+E",
              M::kNone,
              {}},
             {command::kView,
              de ? "&Anzeigen" : "&View",
              de ? "Umschalt+V" : "Shift+V",
              M::kNone,
              {}},
             separator,
             {command::kSelectAll,
              de ? "Alles &markieren" : "Select &All",
              de ? "Strg+A" : "Ctrl+A",
              M::kNone,
              {}},
         }},
        {0,
         de ? "&Ansicht" : "&View",
         "",
         M::kNone,
         {
             {command::kStatusBar, de ? "S&tatusleiste" : "Status &Bar", "", M::kChecked, {}},
             separator,
             {command::kViewLargeIcons, de ? "&Kacheln" : "Til&es", "", M::kNone, {}},
             {command::kViewSmallIcons, de ? "&Symbole" : "Ico&ns", "", M::kNone, {}},
             {command::kViewList, de ? "&Liste" : "&List", "", M::kNone, {}},
             {command::kViewDetails, "&Details", "", M::kNone, {}},
         }},
        {0,
         de ? "Optionen" : "&Options",
         "",
         M::kNone,
         {
             {0,
              de ? "Standard Aktion..." : "Default action...",
              "",
              M::kNone,
              {
                  {command::kDefaultExtract,
                   de ? "Datei extrahieren" : "Extract file",
                   "",
                   M::kChecked,
                   {}},
                  {command::kDefaultView, de ? "Datei anzeigen" : "View file", "", M::kNone, {}},
              }},
             {0,
              de ? "Extrahieren nach..." : "Extract to...",
              "",
              M::kNone,
              {
                  {command::kExtractToTemp,
                   de ? "Temp-Verzeichnis" : "Temp-directory",
                   "",
                   M::kNone,
                   {}},
                  {command::kExtractToUser,
                   de ? "Benutzerdefiniert" : "User defined",
                   "",
                   M::kChecked,
                   {}},
              }},
         }},
        {0,
         de ? "&Hilfe" : "&Help",
         "",
         M::kNone,
         {
             {command::kAbout,
              de ? "&Info über Fortalice® Lockchamber Portable..."
                 : "&About Fortalice® Lockchamber Portable...",
              "",
              M::kNone,
              {}},
         }},
    };
}

}  // namespace

const std::vector<MenuItemTemplate>& MenuTemplate(Language language) {
    static const std::vector<M> english = BuildMenu(Language::English);
    static const std::vector<M> german = BuildMenu(Language::German);
    return language == Language::German ? german : english;
}

const std::vector<AcceleratorTemplate>& AcceleratorTable() {
    static const std::vector<AcceleratorTemplate> table = {
        {"Ctrl+O", command::kOpen},      {"Ctrl+C", command::kCopy},
        {"Ctrl+A", command::kSelectAll}, {"Shift+E", command::kExtract},
        {"Shift+V", command::kView},
    };
    return table;
}

}  // namespace lc
