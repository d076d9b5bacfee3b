// The one option parser of the command-line tool: short flags that combine (-lR), long options
// with "--name=value" or "--name value", "--" ending the options, options before or after the
// operands, and unknown options named.
#pragma once

#include <map>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace lc::cli {

struct OptionDef {
    char shortName;         // 0: none
    const char* longName;   // without "--"; null: none
    const char* valueName;  // null: a flag without a value
    const char* help;
};

// Options shared by the commands that open a volume.
inline constexpr OptionDef kPasswordFileOption{0, "password-file", "FILE",
                                               "read the password from the first line of FILE"};
inline constexpr OptionDef kQuietOption{'q', "quiet", nullptr, "show no progress and no summary"};

class ParsedArguments {
public:
    // By long name, or by the short letter for options that have no long name.
    bool Has(std::string_view option) const { return m_values.count(std::string(option)) != 0; }
    // The last value given, or "" when the option was not given.
    std::string Value(std::string_view option) const;
    const std::vector<std::string>& Operands() const { return m_operands; }

    void Add(const std::string& key, std::string value) {
        m_values[key].push_back(std::move(value));
    }
    void AddOperand(std::string operand) { m_operands.push_back(std::move(operand)); }

private:
    std::map<std::string, std::vector<std::string>> m_values;
    std::vector<std::string> m_operands;
};

// What went wrong, or "" on success; the help option gives the key "help".
std::string ParseOptions(std::span<const OptionDef> options, const std::vector<std::string>& args,
                         ParsedArguments& out);

}  // namespace lc::cli
