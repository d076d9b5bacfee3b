#include "cli/Options.h"

namespace lc::cli {

namespace {

constexpr OptionSpec kHelpOption{'h', "help", nullptr, "show this help"};

std::string KeyOf(const OptionSpec& spec) {
    return spec.longName != nullptr ? spec.longName : std::string(1, spec.shortName);
}

const OptionSpec* FindLong(std::span<const OptionSpec> options, std::string_view name) {
    if (name == kHelpOption.longName) return &kHelpOption;
    for (const OptionSpec& spec : options)
        if (spec.longName != nullptr && name == spec.longName) return &spec;
    return nullptr;
}

const OptionSpec* FindShort(std::span<const OptionSpec> options, char letter) {
    if (letter == kHelpOption.shortName) return &kHelpOption;
    for (const OptionSpec& spec : options)
        if (spec.shortName != 0 && letter == spec.shortName) return &spec;
    return nullptr;
}

}  // namespace

std::string ParsedArguments::Value(std::string_view option) const {
    auto it = m_values.find(std::string(option));
    return it == m_values.end() || it->second.empty() ? std::string() : it->second.back();
}

std::string ParseOptions(std::span<const OptionSpec> options, const std::vector<std::string>& args,
                         ParsedArguments& out) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            out.AddOperand(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[1] == '-') {
            const size_t equals = arg.find('=');
            const std::string name =
                arg.substr(2, equals == std::string::npos ? equals : equals - 2);
            const OptionSpec* spec = FindLong(options, name);
            if (spec == nullptr) return "unknown option '--" + name + "'";
            if (spec->valueName == nullptr) {
                if (equals != std::string::npos) return "option '--" + name + "' takes no value";
                out.Add(KeyOf(*spec), {});
            } else if (equals != std::string::npos) {
                out.Add(KeyOf(*spec), arg.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                out.Add(KeyOf(*spec), args[++i]);
            } else {
                return "option '--" + name + "' needs a value";
            }
            continue;
        }
        for (size_t k = 1; k < arg.size(); ++k) {
            const OptionSpec* spec = FindShort(options, arg[k]);
            if (spec == nullptr) return "unknown option '-" + std::string(1, arg[k]) + "'";
            if (spec->valueName == nullptr) {
                out.Add(KeyOf(*spec), {});
                continue;
            }
            // The rest of the word is the value ("-Cdir"), else the next argument.
            if (k + 1 < arg.size()) {
                out.Add(KeyOf(*spec), arg.substr(k + 1));
            } else if (i + 1 < args.size()) {
                out.Add(KeyOf(*spec), args[++i]);
            } else {
                return "option '-" + std::string(1, arg[k]) + "' needs a value";
            }
            break;
        }
    }
    return {};
}

}  // namespace lc::cli
