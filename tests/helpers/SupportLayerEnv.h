// A scratch world for the tests of the settings store, the temporary folders, the log and the
// password records: XDG_RUNTIME_DIR, XDG_CONFIG_HOME, HOME and TMPDIR point into a fresh folder;
// the log variables are unset. Every test starts from it and leaves the environment as it was.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

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
    // Puts back what the test changed once it is over, after its scratch folder is gone, so that
    // tests of other suites in the same program see the environment they started with.
    struct SavedEnvironment {
        SavedEnvironment() {
            for (const char* name :
                 {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "HOME", "TMPDIR", "ERRLFILE", "ERRLVEL"}) {
                const char* value = std::getenv(name);
                saved.emplace_back(
                    name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
            }
        }
        ~SavedEnvironment() {
            for (const auto& [name, value] : saved)
                value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
        }
        std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    } m_environment;
    ScratchDir m_scratch;
};

}  // namespace lc::test
