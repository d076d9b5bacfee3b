// Helpers of the cipher tests: hex, vector files, and running a case with each implementation.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "crypto/CryptoImplementation.h"

namespace lc::test {

inline std::vector<uint8_t> FromHex(const std::string& hex) {
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return bytes;
}

inline std::string ToHex(const uint8_t* data, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < size; ++i) {
        text += digits[data[i] >> 4];
        text += digits[data[i] & 15];
    }
    return text;
}

inline std::string ToHex(const std::vector<uint8_t>& data) {
    return ToHex(data.data(), data.size());
}

// One entry of a vector file: its [section] and its "Name = value" fields.
struct TestVector {
    std::string section;
    std::map<std::string, std::string> fields;
    int line = 0;
    std::vector<uint8_t> Bytes(const std::string& name) const {
        auto it = fields.find(name);
        return it == fields.end() ? std::vector<uint8_t>{} : FromHex(it->second);
    }
};

// Entries are separated by blank lines; '#' starts a comment line.
inline std::vector<TestVector> ReadVectorFile(const std::string& name) {
    std::ifstream in(std::string(LC_TEST_DATA_DIR) + "/crypto/" + name);
    std::vector<TestVector> vectors;
    TestVector current;
    std::string section;
    std::string line;
    int number = 0;
    auto flush = [&] {
        if (!current.fields.empty()) vectors.push_back(current);
        current = TestVector{};
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '#') continue;
        if (line.empty()) {
            flush();
        } else if (line[0] == '[') {
            flush();
            section = line.substr(1, line.find(']') - 1);
        } else {
            size_t eq = line.find('=');
            if (eq == std::string::npos) continue;
            auto trim = [](std::string s) {
                s.erase(0, s.find_first_not_of(' '));
                s.erase(s.find_last_not_of(' ') + 1);
                return s;
            };
            if (current.fields.empty()) current.line = number;
            current.section = section;
            current.fields[trim(line.substr(0, eq))] = trim(line.substr(eq + 1));
        }
    }
    flush();
    return vectors;
}

// Runs each test of a suite once with the portable code and once with the automatic choice
// (AES-NI / SHA-NI on processors that have them).
class BothImplementations : public ::testing::TestWithParam<CryptoImplementation> {
protected:
    void SetUp() override {
        m_previous = GetCryptoImplementation();
        SetCryptoImplementation(GetParam());
    }
    void TearDown() override { SetCryptoImplementation(m_previous); }

private:
    CryptoImplementation m_previous = CryptoImplementation::Auto;
};

inline std::string ImplementationName(const ::testing::TestParamInfo<CryptoImplementation>& info) {
    return info.param == CryptoImplementation::Portable ? "Portable" : "Auto";
}

#define LC_BOTH_IMPLEMENTATIONS(Suite)                                                             \
    INSTANTIATE_TEST_SUITE_P(                                                                      \
        , Suite,                                                                                   \
        ::testing::Values(::lc::CryptoImplementation::Portable, ::lc::CryptoImplementation::Auto), \
        ::lc::test::ImplementationName)

}  // namespace lc::test
