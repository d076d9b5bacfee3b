#include "cli/Options.h"

namespace lc::cli {

namespace {

constexpr OptionDef kHelpOption{'h', "help", nullptr, "show this help"};

std::string KeyOf(const OptionDef& def) {
    return def.longName != nullptr ? def.longName : std::string(1, def.shortName);
}

const OptionDef* FindLong(std::span<const OptionDef> options, std::string_view name) {
    if (name == kHelpOption.longName) return &kHelpOption;
    for (const OptionDef& def : options)
        if (def.longName != nullptr && name == def.longName) return &def;
    return nullptr;
}

const OptionDef* FindShort(std::span<const OptionDef> options, char letter) {
    if (letter == kHelpOption.shortName) return &kHelpOption;
    for (const OptionDef& def : options)
        if (def.shortName != 0 && letter == def.shortName) return &def;
    return nullptr;
}

}  // namespace

std::string ParsedArguments::Value(std::string_view option) const {
    auto it = m_values.find(std::string(option));
    return it == m_values.end() || it->second.empty() ? std::string() : it->second.back();
}

std::string ParseOptions(std::span<const OptionDef> options, const std::vector<std::string>& args,
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
            const OptionDef* def = FindLong(options, name);
            if (def == nullptr) return "unknown option '--" + name + "'";
            if (def->valueName == nullptr) {
                if (equals != std::string::npos) return "option '--" + name + "' takes no value";
                out.Add(KeyOf(*def), {});
            } else if (equals != std::string::npos) {
                out.Add(KeyOf(*def), arg.substr(equals + 1));
            } else if (i + 1 < args.size()) {
                out.Add(KeyOf(*def), args[++i]);
            } else {
                return "option '--" + name + "' needs a value";
            }
            continue;
        }
        for (size_t k = 1; k < arg.size(); ++k) {
            const OptionDef* def = FindShort(options, arg[k]);
            if (def == nullptr) return "unknown option '-" + std::string(1, arg[k]) + "'";
            if (def->valueName == nullptr) {
                out.Add(KeyOf(*def), {});
                continue;
            }
            // The rest of the word is the value ("-Cdir"), else the next argument.
            if (k + 1 < arg.size()) {
                out.Add(KeyOf(*def), arg.substr(k + 1));
            } else if (i + 1 < args.size()) {
                out.Add(KeyOf(*def), args[++i]);
            } else {
                return "option '-" + std::string(1, arg[k]) + "' needs a value";
            }
            break;
        }
    }
    return {};
}

}  // namespace lc::cli
