// What only a user interface can do during an extraction: answer the replace question, show
// where the walk is, and tell the user about failures and skipped files. The progress of each
// copy is reported by the reader to the volume (CLCFiles::SetProgressListener), not through here.
#pragma once

#include <string>

#include "fs/DirInfo.h"
#include "platform/Status.h"

namespace lc {

enum class ReplaceAnswer { Yes, YesToAll, No, Cancel };

class ExtractHooks {
public:
    virtual ~ExtractHooks() = default;

    // A file exists at path and the operation still asks before replacing.
    virtual ReplaceAnswer ConfirmReplace(const std::string& path) = 0;
    // The folder or file the walk is about to write.
    virtual void ShowExtractStatus(const std::string& /*path*/) {}
    // Extracting file into folder failed with code.
    virtual void ReportFileError(const DirInfo& /*file*/, const std::string& /*folder*/,
                                 Status /*code*/) {}
    // Creating the folder at path failed with code; nothing below it is written.
    virtual void ReportFolderError(const std::string& /*path*/, Status /*code*/) {}
    // A compressed or encrypted file was passed over (its data is never written as it is).
    virtual void ReportSkippedUnsupported(const DirInfo& /*file*/, const std::string& /*folder*/) {}
    // A symbolic link, junction or mount point was passed over.
    virtual void ReportSkippedLink(const DirInfo& /*record*/) {}
    // A name too long for the system was written as path (shortened, still unique).
    virtual void ReportShortenedName(const DirInfo& /*record*/, const std::string& /*path*/) {}
};

}  // namespace lc
