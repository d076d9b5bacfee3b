#include "extract/Extractor.h"

#include <sys/stat.h>

#include "extract/ExtractFile.h"
#include "extract/OutputPath.h"

namespace lc {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace

Extractor::Extractor(LCVolume& volume, ExtractHooks& hooks, ExtractOptions options)
    : m_volume(volume),
      m_hooks(hooks),
      m_ask(options.askBeforeReplace),
      m_filesOnly(options.filesOnly) {}

Status Extractor::ExtractItems(std::span<const DirInfo* const> items, const std::string& target) {
    Status result = CreateFolderLevels(target);
    for (const DirInfo* item : items) {
        if (result != status::kSuccess) break;
        if (item == nullptr) continue;
        if (item->IsFile()) {
            result = ExtractOneFile(*item, target);
        } else if (!m_filesOnly) {
            result = ExtractDirectory(*item, target);
        }
    }
    return result;
}

Status Extractor::ExtractDirectory(const DirInfo& folder, const std::string& target) {
    std::string path;
    Status result = JoinOutputPath(target, folder.name, path);
    if (result != status::kSuccess) {
        m_hooks.ReportFolderError(target, result);
        return result;
    }
    m_hooks.ShowExtractStatus(path);
    result = CreateSubfolder(path);
    if (result != status::kSuccess) {
        m_hooks.ReportFolderError(path, result);
        return result;
    }
    // The tree is finite and acyclic (built by DirTree); depth is bounded by the path limit.
    for (const DirInfo* f = folder.firstFile; f != nullptr && result == status::kSuccess;
         f = f->nextFile) {
        result = ExtractOneFile(*f, path);
    }
    for (const DirInfo* d = folder.firstChild; d != nullptr && result == status::kSuccess;
         d = d->nextSibling) {
        result = ExtractDirectory(*d, path);
    }
    return result;
}

Status Extractor::ExtractOneFile(const DirInfo& file, const std::string& target) {
    if (IsUnsupportedData(file)) {
        m_hooks.ReportSkippedUnsupported(file, target);
        return status::kSuccess;
    }
    std::string path;
    Status result = JoinOutputPath(target, file.name, path);
    if (result != status::kSuccess) {
        m_hooks.ReportFileError(file, target, result);
        return result;
    }
    m_hooks.ShowExtractStatus(path);
    if (m_ask && Exists(path)) {
        switch (m_hooks.ConfirmReplace(path)) {
            case ReplaceAnswer::Yes:
                break;
            case ReplaceAnswer::YesToAll:
                m_ask = false;
                break;
            case ReplaceAnswer::No:
                return status::kSuccess;
            case ReplaceAnswer::Cancel:
                return status::kCancelled;
        }
    }
    result = ExtractFile(m_volume, file, path);
    if (result != status::kSuccess) m_hooks.ReportFileError(file, target, result);
    return result;
}

}  // namespace lc
