// The ids of the numbered strings the code loads (StringTable.h). Command prompts are loaded
// by their command ids (MenuTemplate.h) and are not repeated here.
#pragma once

#include <cstdint>

namespace lc::str {

// Context menu of the file list.
inline constexpr uint32_t kMenuCopy = 2;
inline constexpr uint32_t kMenuView = 3;
inline constexpr uint32_t kMenuExtract = 4;

// Opening a volume.
inline constexpr uint32_t kNoPassword = 5;
inline constexpr uint32_t kNotVolume = 6;
inline constexpr uint32_t kRetryDelay = 12;
inline constexpr uint32_t kKeyringUnsupported = 15;
inline constexpr uint32_t kUnsupportedFileSystem = 32779;
inline constexpr uint32_t kUnknownError = 32784;
inline constexpr uint32_t kDamagedFolders = 32792;
inline constexpr uint32_t kMoreDamagedFolders = 32793;

// Extracting and viewing.
inline constexpr uint32_t kFilesExtracted = 7;
inline constexpr uint32_t kExtract = 8;
inline constexpr uint32_t kExtractTo = 9;
inline constexpr uint32_t kCannotCreateFolder = 10;
inline constexpr uint32_t kError = 11;
inline constexpr uint32_t kEncryptedRefused = 237;
inline constexpr uint32_t kSkipEncrypted = 239;
inline constexpr uint32_t kSaveFileAs = 32776;
inline constexpr uint32_t kCannotExtract = 32780;
inline constexpr uint32_t kFileExtracted = 32781;
inline constexpr uint32_t kCannotView = 32783;
inline constexpr uint32_t kProgress = 32785;
inline constexpr uint32_t kCannotLaunch = 32786;

// The window.
inline constexpr uint32_t kRemovableDisk = 14;
inline constexpr uint32_t kDocumentStrings = 101;  // fields separated by '\n'
inline constexpr uint32_t kUnsupportedEncrypted = 234;
inline constexpr uint32_t kColumnName = 32772;
inline constexpr uint32_t kColumnSize = 32773;
inline constexpr uint32_t kColumnDate = 32774;
inline constexpr uint32_t kSelectVolume = 32777;
inline constexpr uint32_t kTitle = 32782;

}  // namespace lc::str
