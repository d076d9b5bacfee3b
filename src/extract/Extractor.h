// One extraction operation: walks selected DirInfo records and writes them below a target
// folder, files of a folder before its subfolders. The first failure ends the operation.
#pragma once

#include <span>
#include <string>

#include "extract/ExtractHooks.h"
#include "fs/DirInfo.h"
#include "fs/LCVolume.h"
#include "platform/Status.h"

namespace lc {

struct ExtractOptions {
    // Ask (through the hooks) before an existing file is replaced; Yes to All clears it.
    bool askBeforeReplace = true;
    // Folders among the selected items are passed over (viewing opens files only).
    bool filesOnly = false;
};

class Extractor {
public:
    Extractor(LCVolume& volume, ExtractHooks& hooks, ExtractOptions options = {});

    // Creates target with every missing level, then extracts each item in order. Returns 0,
    // 1223 when the user cancelled, or the first failure.
    Status ExtractItems(std::span<const DirInfo* const> items, const std::string& target);

    // The folder record as target/<name>, recursively.
    Status ExtractDirectory(const DirInfo& folder, const std::string& target);
    // The file record as target/<name>.
    Status ExtractOneFile(const DirInfo& file, const std::string& target);

    bool AskBeforeReplace() const { return m_ask; }

private:
    LCVolume& m_volume;
    ExtractHooks& m_hooks;
    bool m_ask;
    bool m_filesOnly;
};

}  // namespace lc
