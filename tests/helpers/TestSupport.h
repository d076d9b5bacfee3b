// Shared helpers of the tests: scratch folders, running programs, fixture files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace lc::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs a program (argv[0] is looked up on PATH) with optional standard input; waits for it.
RunResult Run(const std::vector<std::string>& argv, const std::string& input = {},
              const std::vector<std::string>& extraEnv = {});

// Runs the command-line tool with the password in LCPORTABLE_PASSWORD (none: unset) and its
// settings store and runtime folder in home; env adds or removes more variables.
RunResult RunCli(const std::filesystem::path& home, std::vector<std::string> args,
                 const std::string& password = {}, std::vector<std::string> env = {});

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
void WriteFileBytes(const std::filesystem::path& path, const std::vector<uint8_t>& data);
std::string ReadText(const std::filesystem::path& path);
void WriteText(const std::filesystem::path& path, const std::string& text);
std::string Sha256Hex(const std::vector<uint8_t>& data);

// Paths of the built test tools and the fixture folder.
std::string MkvolPath();
std::string CliPath();
std::filesystem::path FixtureDir();

}  // namespace lc::test
