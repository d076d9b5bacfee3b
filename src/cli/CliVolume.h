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

struct VolumeOptions {
    std::string passwordFile;
};

enum class OptionResult { NotMine, Taken, MissingValue };

// Takes "--password-file F" or "--password-file=F" at args[i], advancing i past its value.
OptionResult TakeVolumeOption(const std::vector<std::string>& args, size_t& i,
                              VolumeOptions& options);

// "lcportable-cli: SUBJECT: TEXT" on stderr, TEXT as the open sequence words the code.
void PrintOpenError(const std::string& subject, Status code);

// ReadHeader and the key-ring refusal, before any password is asked for. Returns an exit code;
// failures are printed.
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

}  // namespace lc::cli
