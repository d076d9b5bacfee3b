// One extraction operation: walks selected DirInfo records and writes them below a target
// folder, files of a folder before its subfolders. Folders are reached by descriptor from the
// target down and every file is renamed into place only when complete (OutputFolder.h).
#pragma once

#include <map>
#include <set>
#include <span>
#include <string>

#include "extract/ExtractHooks.h"
#include "extract/OutputFolder.h"
#include "fs/DirInfo.h"
#include "fs/LCVolume.h"
#include "platform/Status.h"

namespace lc {

struct ExtractOptions {
    // Ask (through the hooks) before an existing file is replaced; Yes to All clears it.
    bool askBeforeReplace = true;
    // Folders among the selected items are passed over (viewing opens files only).
    bool filesOnly = false;
    // A failed file or folder is reported and counted and the walk goes on; else the first
    // failure ends the operation.
    bool carryOn = false;
};

struct ExtractCounts {
    size_t extracted = 0;
    size_t failed = 0;       // files and folders that could not be written
    size_t declined = 0;     // existing files kept (No to the replace question)
    size_t unsupported = 0;  // compressed or encrypted files passed over
    size_t links = 0;        // links passed over
};

class Extractor {
public:
    Extractor(LCVolume& volume, ExtractHooks& hooks, ExtractOptions options = {});

    // Creates target with every missing level, then extracts each item in order (null items are
    // passed over). Returns 0, 1223 when the user cancelled, or the first failure.
    Status ExtractItems(std::span<const DirInfo* const> items, const std::string& target);
    // As ExtractItems, but each item below the folders that hold it in the volume
    // (target/a/b/item for the record a/b/item).
    Status ExtractItemsKeepingPaths(std::span<const DirInfo* const> items,
                                    const std::string& target);

    // The folder record as target/<name>, recursively; target must exist.
    Status ExtractDirectory(const DirInfo& folder, const std::string& target);
    // The file record as target/<name>; target must exist.
    Status ExtractOneFile(const DirInfo& file, const std::string& target);

    Status ExtractDirectoryIn(const DirInfo& folder, const OutputFolder& target, int depth = 0);
    Status ExtractOneFileIn(const DirInfo& file, const OutputFolder& target);

    bool AskBeforeReplace() const { return m_ask; }
    const ExtractCounts& Counts() const { return m_counts; }
    // Where the last file extracted went (its name may have been shortened).
    const std::string& LastWrittenPath() const { return m_lastWritten; }
    // Where an item extracted into target went, under the name this walk gave it.
    std::string OutputPathOf(const DirInfo& record, const std::string& target) const;

private:
    // The name record is written under in folder: SafeOutputName, shortened when too long.
    // 206 when the path would pass the system's limit.
    Status OutputNameOf(const DirInfo& record, const OutputFolder& folder, std::string& name);
    Status OpenTargetCached(const std::string& target, bool create, const OutputFolder*& out);
    Status Failed(Status code);

    LCVolume& m_volume;
    ExtractHooks& m_hooks;
    bool m_ask;
    bool m_filesOnly;
    bool m_carryOn;
    ExtractCounts m_counts;
    std::string m_lastWritten;
    OutputFolder m_target;
    // Shortened names given out per folder path, so that each stays unique there.
    std::map<std::string, std::set<std::string>> m_shortened;
    std::map<const DirInfo*, std::string> m_shortNames;
};

}  // namespace lc
