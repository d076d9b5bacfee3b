// A scratch world for the support-layer tests: XDG_RUNTIME_DIR, XDG_CONFIG_HOME, HOME and
// TMPDIR point into a fresh folder; the log variables are unset. Every test starts from it.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace lc::test {

class SupportLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto [name, sub] : {std::pair{"XDG_RUNTIME_DIR", "run"},
                                 {"XDG_CONFIG_HOME", "config"},
                                 {"HOME", "home"},
                                 {"TMPDIR", "tmp"}}) {
            std::filesystem::create_directory(m_scratch / sub);
            ::setenv(name, (m_scratch / sub).c_str(), 1);
        }
        ::unsetenv("ERRLFILE");
        ::unsetenv("ERRLVEL");
    }
    const std::filesystem::path& scratch() const { return m_scratch.path(); }
    std::filesystem::path run() const { return m_scratch / "run"; }

private:
    // Puts back the TMPDIR the program started with before the next scratch folder is made.
    struct StartingTmpDir {
        StartingTmpDir() {
            static const char* const env = std::getenv("TMPDIR");
            static const std::string start = env != nullptr ? env : "";
            env != nullptr ? ::setenv("TMPDIR", start.c_str(), 1) : ::unsetenv("TMPDIR");
        }
    } m_tmpDir;
    ScratchDir m_scratch;
};

inline std::string ReadText(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace lc::test
