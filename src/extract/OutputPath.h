// Turning volume names into output paths that cannot leave the target folder, and creating the
// folders of an extraction.
#pragma once

#include <set>
#include <string>
#include <string_view>

#include "fs/DirInfo.h"
#include "platform/Status.h"

namespace lc {

inline constexpr size_t kMaxNameBytes = 255;
inline constexpr size_t kMaxPathBytes = 4095;

// The UTF-8 name a volume name is written under: '/' and NUL become '_', "." becomes "_", ".."
// becomes "__" and an empty name "_". Listings keep the stored names; only output paths use this.
std::string SafeOutputName(std::u16string_view name);

// A UTF-8 name longer than kMaxNameBytes cut to fit with "~n" before its extension (kept when it
// is short): "<start of the name>~n.ext". Names that fit are returned as they are.
std::string ShortenedName(const std::string& name, unsigned n);

// The name a record whose safe name is too long takes in its folder: the first ShortenedName that
// is neither in given (shortened names of the folder so far) nor a sibling's own safe name, which
// the sibling keeps. The caller adds it to given. Extraction and the mount both name by this.
std::string ShortNameInFolder(const DirInfo& record, const std::string& safe,
                              const std::set<std::string>& given);

// folder + '/' + SafeOutputName(name). 206 when the name is longer than 255 bytes or the path
// longer than 4095 bytes.
Status JoinOutputPath(const std::string& folder, std::u16string_view name, std::string& path);

// Creates one folder inside an existing one. An existing real folder is fine; a link or any
// other file at the path gives 80 (never followed: the walk stays inside its target).
Status CreateSubfolder(const std::string& path);

}  // namespace lc
