// The per-user temporary root for plain copies, the per-volume folders below it, and their
// secure removal. Nothing here follows a symbolic link.
#pragma once

#include <string>
#include <string_view>

#include "platform/Status.h"
#include "support/Dod.h"

namespace lc {

// Where the clean-up shows its progress (the GUI's status bar); the CLI may pass null.
class CleanupStatusSink : public WipeProgress {
public:
    virtual ~CleanupStatusSink() = default;
    // UTF-8; an empty text clears the display.
    virtual void SetStatusText(const std::string& text) = 0;
    void Wiping() override {}
};

// $XDG_RUNTIME_DIR/LCPortable/, else ${TMPDIR:-/tmp}/LCPortable-<uid>/, always ending in '/'.
// When it exists it must be a folder owned by the user and not a link (its mode is tightened
// to 0700), else kErrUnsafeTempFolder (0xF0000050) and the path must not be used. create: make it
// (0700) when missing.
Status GetTempRoot(std::string& root, bool create = false);

// The folder name of a volume's copies: the same name always gives the same folder, and no
// name ("", ".", "..", with '/' or NUL) leaves the root. Reversible (platform/FileNameCodec.h).
std::string VolumeFolderName(std::u16string_view volumeName);

// root + VolumeFolderName + '/'; create: make the root and the folder (0700) when missing, and
// mark the folder as in use by this process (a shared lock held until CleanupVolumeTemp removes
// the folder or the process ends).
Status GetVolumeTempFolder(std::u16string_view volumeName, std::string& folder,
                           bool create = false);

// Wipes and removes the volume's folder, then the root when it is empty. The label (the root
// record's name) fills the status text "Delete temporary files for volume %s".
Status CleanupVolumeTemp(std::u16string_view volumeName, std::u16string_view label, bool showStatus,
                         CleanupStatusSink* sink);

// Wipes and removes every volume folder under the root that no running process marks as in use
// (left by one that was killed or lost its session), then the root when it is empty.
Status SweepOrphanedTempFolders();

// Wipes every file below path (no trailing '/'), removes links themselves, renames and removes
// every folder bottom-up. A missing folder counts as removed (0).
Status DeleteFolderTree(const std::string& path, WipeProgress* progress = nullptr);

// path ends with '/'. False when it cannot be listed.
bool IsFolderEmpty(const std::string& path);

}  // namespace lc
