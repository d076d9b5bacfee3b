// A scratch world for the support-layer tests: XDG_RUNTIME_DIR, XDG_CONFIG_HOME, HOME and
// TMPDIR point into a fresh folder; the log variables are unset.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "TestSupport.h"

namespace lc::test {

class SupportLayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "HOME", "TMPDIR", "ERRLFILE", "ERRLVEL"}) {
            const char* v = std::getenv(name);
            m_saved[name] = v != nullptr ? std::optional<std::string>(v) : std::nullopt;
        }
        for (const char* sub : {"run", "config", "home", "tmp"})
            std::filesystem::create_directory(m_scratch / sub);
        ::setenv("XDG_RUNTIME_DIR", (m_scratch / "run").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", (m_scratch / "config").c_str(), 1);
        ::setenv("HOME", (m_scratch / "home").c_str(), 1);
        ::setenv("TMPDIR", (m_scratch / "tmp").c_str(), 1);
        ::unsetenv("ERRLFILE");
        ::unsetenv("ERRLVEL");
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
    }

    const std::filesystem::path& scratch() const { return m_scratch.path(); }
    std::filesystem::path run() const { return m_scratch / "run"; }

private:
    ScratchDir m_scratch;
    std::map<std::string, std::optional<std::string>> m_saved;
};

inline std::string ReadText(const std::filesystem::path& path) {
    auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    WriteFileBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace lc::test
