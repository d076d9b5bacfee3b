#include "extract/Extractor.h"

#include <vector>

#include "extract/ExtractFile.h"
#include "extract/OutputPath.h"
#include "extract/WalkOrder.h"
#include "platform/PrivateFolder.h"

namespace lc {

namespace {

// Folder levels of the in-memory tree walked at most (the path limit stops real trees sooner).
constexpr int kMaxDepth = 4096;

}  // namespace

Extractor::Extractor(LCVolume& volume, ExtractHooks& hooks, ExtractOptions options)
    : m_volume(volume),
      m_hooks(hooks),
      m_ask(options.askBeforeReplace),
      m_filesOnly(options.filesOnly),
      m_carryOn(options.carryOn) {}

Status Extractor::Failed(Status code) {
    ++m_counts.failed;
    return m_carryOn ? status::kSuccess : code;
}

Status Extractor::OpenTargetCached(const std::string& target, bool create,
                                   const OutputFolder*& out) {
    const std::string path = WithoutTrailingSlash(target);
    if (!m_target.IsOpen() || m_target.path() != path) {
        OutputFolder folder;
        LC_TRY(OutputFolder::OpenTarget(path, create, folder));
        m_target = std::move(folder);
    }
    out = &m_target;
    return status::kSuccess;
}

std::string Extractor::OutputPathOf(const DirInfo& record, const std::string& target) const {
    const auto known = m_shortNames.find(&record);
    return WithoutTrailingSlash(target) + '/' +
           (known != m_shortNames.end() ? known->second : SafeOutputName(record.name));
}

Status Extractor::OutputNameOf(const DirInfo& record, const OutputFolder& folder,
                               std::string& name) {
    std::string safe = SafeOutputName(record.name);
    bool shortened = false;
    if (auto known = m_shortNames.find(&record); known != m_shortNames.end()) {
        // A folder that holds several named items keeps the name it got first.
        safe = known->second;
    } else if (safe.size() > kMaxNameBytes) {
        auto& used = m_shortened[folder.path()];
        std::string candidate = ShortNameInFolder(record, safe, used);
        used.insert(candidate);
        m_shortNames[&record] = candidate;
        safe = std::move(candidate);
        shortened = true;
    }
    if (folder.path().size() + 1 + safe.size() > kMaxPathBytes) return status::kFilenameTooLong;
    name = std::move(safe);
    if (shortened) m_hooks.ReportShortenedName(record, folder.PathOf(name));
    return status::kSuccess;
}

Status Extractor::ExtractItems(std::span<const DirInfo* const> items, const std::string& target) {
    const OutputFolder* folder = nullptr;
    Status result = OpenTargetCached(target, true, folder);
    for (const DirInfo* item : items) {
        if (result != status::kSuccess) break;
        if (item == nullptr) continue;
        if (item->IsFile()) {
            result = ExtractOneFileIn(*item, *folder);
        } else if (!m_filesOnly) {
            result = ExtractDirectoryIn(*item, *folder);
        }
    }
    return result;
}

Status Extractor::ExtractItemsKeepingPaths(std::span<const DirInfo* const> items,
                                           const std::string& target) {
    const OutputFolder* top = nullptr;
    LC_TRY(OpenTargetCached(target, true, top));
    for (const DirInfo* item : items) {
        if (item == nullptr) continue;
        // The folders holding the item, below the root, from the top down.
        std::vector<const DirInfo*> chain;
        for (const DirInfo* p = item->parent; p != nullptr && p->parent != nullptr; p = p->parent) {
            if (chain.size() >= static_cast<size_t>(kMaxDepth)) return status::kFilenameTooLong;
            chain.push_back(p);
        }
        OutputFolder level;
        const OutputFolder* folder = top;
        Status result = status::kSuccess;
        for (auto it = chain.rbegin(); it != chain.rend() && result == status::kSuccess; ++it) {
            std::string name;
            result = OutputNameOf(**it, *folder, name);
            OutputFolder next;
            if (result == status::kSuccess) result = folder->OpenSubfolder(name, next);
            if (result != status::kSuccess) {
                m_hooks.ReportFolderError(folder->PathOf(SafeOutputName((*it)->name)), result);
                break;
            }
            level = std::move(next);
            folder = &level;
        }
        if (result != status::kSuccess) {
            result = Failed(result);
        } else if (item->IsFile()) {
            result = ExtractOneFileIn(*item, *folder);
        } else if (!m_filesOnly) {
            result = ExtractDirectoryIn(*item, *folder);
        }
        if (result != status::kSuccess) return result;
    }
    return status::kSuccess;
}

Status Extractor::ExtractDirectory(const DirInfo& folder, const std::string& target) {
    const OutputFolder* out = nullptr;
    if (Status s = OpenTargetCached(target, false, out); s != status::kSuccess) {
        m_hooks.ReportFolderError(target, s);
        return Failed(s);
    }
    return ExtractDirectoryIn(folder, *out);
}

Status Extractor::ExtractOneFile(const DirInfo& file, const std::string& target) {
    const OutputFolder* out = nullptr;
    if (Status s = OpenTargetCached(target, false, out); s != status::kSuccess) {
        m_hooks.ReportFileError(file, target, s);
        return Failed(s);
    }
    return ExtractOneFileIn(file, *out);
}

Status Extractor::ExtractDirectoryIn(const DirInfo& folder, const OutputFolder& target, int depth) {
    if (folder.IsLink()) {
        ++m_counts.links;
        m_hooks.ReportSkippedLink(folder);
        return status::kSuccess;
    }
    std::string name;
    Status result = OutputNameOf(folder, target, name);
    if (result == status::kSuccess && depth >= kMaxDepth) result = status::kFilenameTooLong;
    if (result != status::kSuccess) {
        m_hooks.ReportFolderError(target.PathOf(SafeOutputName(folder.name)), result);
        return Failed(result);
    }
    const std::string path = target.PathOf(name);
    m_hooks.ShowExtractStatus(path);
    OutputFolder sub;
    result = target.OpenSubfolder(name, sub);
    if (result != status::kSuccess) {
        m_hooks.ReportFolderError(path, result);
        return Failed(result);
    }
    // The tree is finite and acyclic (built by DirTree); depth is bounded above.
    for (const DirInfo* child : ChildrenInWalkOrder(folder)) {
        if (result != status::kSuccess) break;
        result = child->IsFile() ? ExtractOneFileIn(*child, sub)
                                 : ExtractDirectoryIn(*child, sub, depth + 1);
    }
    return result;
}

Status Extractor::ExtractOneFileIn(const DirInfo& file, const OutputFolder& target) {
    if (file.IsLink()) {
        ++m_counts.links;
        m_hooks.ReportSkippedLink(file);
        return status::kSuccess;
    }
    if (IsUnsupportedData(file)) {
        ++m_counts.unsupported;
        m_hooks.ReportSkippedUnsupported(file, target.path());
        return status::kSuccess;
    }
    std::string name;
    Status result = OutputNameOf(file, target, name);
    if (result != status::kSuccess) {
        m_hooks.ReportFileError(file, target.path(), result);
        return Failed(result);
    }
    const std::string path = target.PathOf(name);
    m_hooks.ShowExtractStatus(path);

    // The question; false when the file is to be kept (result says whether to go on).
    auto mayReplace = [&](Status& outcome) {
        switch (m_hooks.ConfirmReplace(path)) {
            case ReplaceAnswer::YesToAll:
                m_ask = false;
                [[fallthrough]];
            case ReplaceAnswer::Yes:
                return true;
            case ReplaceAnswer::No:
                ++m_counts.declined;
                outcome = status::kSuccess;
                return false;
            case ReplaceAnswer::Cancel:
                break;
        }
        outcome = status::kCancelled;
        return false;
    };
    bool replace = !m_ask;
    // In a folder this walk made, nothing stood before; a file that turns up meanwhile is
    // caught by the rename, which then never replaces it unasked.
    if (m_ask && !target.IsFresh() && target.Exists(name)) {
        if (!mayReplace(result)) return result;
        replace = true;
    }

    OutputFile out;
    result = out.Create(target);
    if (result == status::kSuccess) result = CopyRecordData(m_volume, file, out);
    if (result == status::kSuccess) {
        const auto modified = RecordTime(file);
        result = out.Finish(name, modified, replace);
        if (result == status::kAlreadyExists) {
            if (!mayReplace(result)) return result;
            result = out.Finish(name, modified, true);
        }
    }
    if (result != status::kSuccess) {
        m_hooks.ReportFileError(file, target.path(), result);
        return Failed(result);
    }
    ++m_counts.extracted;
    m_lastWritten = path;
    return status::kSuccess;
}

}  // namespace lc
