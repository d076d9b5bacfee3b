// Helpers shared by the benchmarks that build images and volumes with outside tools.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "fs/DirInfo.h"
#include "volume/CLCFiles.h"

namespace lc::bench {

using Clock = std::chrono::steady_clock;

// The password of every benchmark volume.
extern const std::u16string kPassword;

// Names the benchmark in failure messages.
void SetProgramName(const char* name);
// Quotes for the shell.
std::string Quote(const std::string& s);
// Runs a shell command; ends the program when it fails.
void Shell(const std::string& command);
// Best of n runs, in seconds; prepare runs before each, untimed.
double Best(int runs, const std::function<void()>& prepare, const std::function<void()>& work);
// A file of pseudo-random bytes (the same for the same size).
void WritePattern(const std::filesystem::path& path, uint64_t bytes);
// An AES-256 volume of the image with password kPassword, made by the test volume builder.
void MakeVolume(const std::filesystem::path& image, const std::filesystem::path& vol);
bool OpenVolume(CLCFiles& volume, const std::filesystem::path& vol);
const DirInfo* FindFile(const DirInfo& folder, const std::u16string& name);

}  // namespace lc::bench
