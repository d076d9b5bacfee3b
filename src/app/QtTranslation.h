// Qt's own texts (standard buttons, file and folder dialogs, Qt's prompts) in the interface
// language: the system's qtbase translation, chosen by the same rule as the string tables.
#pragma once

namespace lc {

class QtTranslation {
public:
    // Replaces the translation installed before, if any; true when one for the current
    // language is installed now. English needs none.
    static bool Install();
    static bool IsInstalled();
};

}  // namespace lc
