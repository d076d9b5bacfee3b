// Opening a volume from the command line, shared by every command that reads one: the header
// check, the key-ring refusal, the password and the unlock, with the open sequence's texts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Status.h"
#include "volume/CLCFiles.h"
#include "volume/LCHeader.h"

namespace lc::cli {

inline constexpr const char* kKeyRingRefusal = "volumes protected by a key ring are not supported";

struct VolumeOptions {
    std::string passwordFile;
};

// "lcportable-cli: VOLUME: REASON" on stderr, the reason worded for a volume file (path is the
// volume as named on the command line, "-" for standard input).
void PrintOpenError(const std::string& path, Status code);

// ReadHeader of the volume named on the command line ("-": standard input). Returns an exit
// code; failures are printed.
int ReadVolumeHeader(const std::string& path, LCHeader& header);
// ReadVolumeHeader and the key-ring refusal, before any password is asked for. Returns an exit
// code; failures are printed.
int CheckHeader(const std::string& path, LCHeader& header);

// The one place where the outcome of an unlock attempt becomes an exit code: 0 → 0, 86 wrong
// password → 3, anything else → 1 (printed). Wrong-password bookkeeping belongs here.
int HandleUnlockResult(const std::string& path, const std::u16string& volumeName, Status code);

// The whole open: header check, password, CLCFiles::Open. On 0 the volume is open, mounted and
// its tree is built; folders that could not be read whole are then reported on stderr, one line
// each, and the command goes on with the rest.
int OpenVolume(const std::string& path, const VolumeOptions& options,
               std::unique_ptr<CLCFiles>& volume);

// "lcportable-cli: damaged folder 'a/b': TEXT" for every damaged folder of the tree; returns how
// many there were.
size_t ReportDamagedFolders(const DirTree& tree);

// A command's exit code once it has finished: 1 instead of 0 when a damaged folder was reported.
int FinalExitCode(int exitCode);
// For a command whose success the damage does not change (a mount that runs shows the rest).
void ClearDamageReported();

}  // namespace lc::cli
