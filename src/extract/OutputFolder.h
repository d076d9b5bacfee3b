// Folders and files of an extraction, reached through folder descriptors: every output file is
// written under a temporary name in its folder and renamed onto its real name only when it is
// complete, and every folder below the target is opened relative to its parent without following
// links, so nothing is ever written outside the target, through a link, or cut short under its
// real name.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "platform/File.h"
#include "platform/Status.h"

namespace lc {

class OutputFolder {
public:
    OutputFolder() = default;
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;
    OutputFolder(OutputFolder&& other) noexcept;
    OutputFolder& operator=(OutputFolder&& other) noexcept;
    ~OutputFolder();

    // The folder a user named: created with every missing level when create is set (links in
    // the path are followed, as the user named them). 80 when something else stands there.
    static Status OpenTarget(const std::string& path, bool create, OutputFolder& out);

    // The subfolder name (one component, at most 255 bytes) of this folder, created when missing.
    // An existing real folder is fine; a link or anything else there gives 80 and is left alone.
    Status OpenSubfolder(const std::string& name, OutputFolder& out) const;

    bool IsOpen() const { return m_fd >= 0; }
    int descriptor() const { return m_fd; }
    // The path the folder was reached by, without a trailing '/' (for messages only).
    const std::string& path() const { return m_path; }
    std::string PathOf(const std::string& name) const;
    // Made by this process: nothing stood in it before, so no name needs to be looked up.
    bool IsFresh() const { return m_fresh; }
    // Anything (also a dangling link) stands at name.
    bool Exists(const std::string& name) const;

private:
    int m_fd = -1;
    bool m_fresh = false;
    std::string m_path;
};

// One output file in the making. Create gives a new, empty file under a temporary name (mode
// 0600, created exclusively); Finish gives it its time and mode and renames it onto its name;
// anything else (a failure, the destructor, Discard) removes it.
class OutputFile {
public:
    OutputFile() = default;
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    ~OutputFile() { Discard(); }

    Status Create(const OutputFolder& folder);
    File& file() { return m_file; }

    // Sets the modification time (when given) and the usual mode, then renames the file onto
    // name: replacing what stands there when replace is set, else 183 when the name is taken
    // (the file then stays pending, for a second Finish that replaces or a Discard).
    Status Finish(const std::string& name, std::optional<time_t> modified, bool replace);
    void Discard();

private:
    File m_file;
    int m_folder = -1;  // not owned
    std::string m_tempName;
    bool m_prepared = false;
};

// Removes the output file in the making, if any. Async-signal-safe: for signal handlers that end
// the process during an extraction.
void RemovePendingOutputFile() noexcept;

}  // namespace lc
