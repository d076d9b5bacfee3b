#include "support/RecordTempFolder.h"

#include <vector>

#include "extract/OutputPath.h"
#include "support/TempFolders.h"

namespace lc {

namespace {

// Folder levels followed up from a record (the in-memory tree is finite; this only guards).
constexpr size_t kMaxFolderDepth = 4096;

}  // namespace

Status RecordTempFolder(std::u16string_view volumeName, const DirInfo& record, std::string& folder,
                        bool create) {
    std::vector<const DirInfo*> chain;
    for (const DirInfo* p = record.parent; p != nullptr && p->parent != nullptr; p = p->parent) {
        if (chain.size() >= kMaxFolderDepth) return status::kFilenameTooLong;
        chain.push_back(p);
    }
    std::string path;
    LC_TRY(GetVolumeTempFolder(volumeName, path, create));
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        std::string next;
        LC_TRY(JoinOutputPath(path, (*it)->name, next));
        if (create) LC_TRY(CreateSubfolder(next));
        path = next + '/';
    }
    folder = std::move(path);
    return status::kSuccess;
}

}  // namespace lc
