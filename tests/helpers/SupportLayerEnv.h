// A scratch world for the support-layer tests: XDG_RUNTIME_DIR, XDG_CONFIG_HOME, HOME and TMPDIR
// in a fresh folder, the log variables unset; the environment is put back afterwards.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "TestSupport.h"

extern char** environ;

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
    // Puts the whole environment back once the test is over, after its scratch folder is gone, so
    // that tests of other suites in the same program see the environment they started with.
    struct SavedEnvironment {
        SavedEnvironment() {
            for (char** e = environ; *e != nullptr; ++e) saved.emplace_back(*e);
        }
        ~SavedEnvironment() {
            ::clearenv();
            for (const auto& e : saved)
                ::setenv(e.substr(0, e.find('=')).c_str(), e.substr(e.find('=') + 1).c_str(), 1);
        }
        std::vector<std::string> saved;
    } m_environment;
    ScratchDir m_scratch;
};

}  // namespace lc::test
