#include "tools/zmpack/options.h"

#include "tools/zmpack/commands.h"

#include "platform/codepage.h"

namespace zmpack {

bool TOptions::Parse(const std::vector<OptionSpec>& specs, const std::vector<UString>& args) {
    values_.clear();
    positional_.clear();
    error_.clear();
    bool options_done = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string arg = platform::WideToUtf8(args[i]);
        if (options_done || arg.size() < 2 || arg[0] != '-') {
            positional_.push_back(args[i]);
            continue;
        }
        if (arg == "--") {
            options_done = true;
            continue;
        }
        const OptionSpec* known = nullptr;
        std::string inline_value;
        bool has_inline = false;
        if (arg[1] == '-') {
            std::string name = arg.substr(2);
            size_t eq = name.find('=');
            if (eq != std::string::npos) {
                inline_value = name.substr(eq + 1);
                name.resize(eq);
                has_inline = true;
            }
            for (const auto& s : specs)
                if (s.long_name == name) known = &s;
        } else if (arg.size() >= 2) {
            for (const auto& s : specs)
                if (s.short_name != 0 && s.short_name == arg[1]) known = &s;
            if (known != nullptr && arg.size() > 2) {
                inline_value = arg.substr(2);
                has_inline = true;
            }
        }
        if (known == nullptr) {
            error_ = "unknown option " + arg;
            return false;
        }
        if (!known->repeatable && Has(known->long_name)) {
            error_ = "option --" + known->long_name + " given twice";
            return false;
        }
        if (!known->takes_value) {
            if (has_inline) {
                error_ = "option --" + known->long_name + " takes no value";
                return false;
            }
            values_[known->long_name].push_back(UString());
            continue;
        }
        if (has_inline) {
            values_[known->long_name].push_back(platform::Utf8ToWide(inline_value));
        } else if (i + 1 < args.size()) {
            values_[known->long_name].push_back(args[++i]);
        } else {
            error_ = "option --" + known->long_name + " needs a value";
            return false;
        }
    }
    return true;
}

UString TOptions::Value(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() || it->second.empty() ? UString() : it->second.back();
}

const std::vector<UString>& TOptions::Values(const std::string& name) const {
    static const std::vector<UString> none;
    auto it = values_.find(name);
    return it == values_.end() ? none : it->second;
}

bool ParseInteger(const UString& text, long long low, long long high, long long& value) {
    if (text.empty() || text.size() > 20) return false;
    size_t i = 0;
    bool negative = false;
    if (text[0] == u'-' || text[0] == u'+') {
        negative = text[0] == u'-';
        i = 1;
    }
    if (i == text.size()) return false;
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < u'0' || text[i] > u'9') return false;
        if (v > (INT64_MAX - 9) / 10) return false;
        v = v * 10 + (text[i] - u'0');
    }
    if (negative) v = -v;
    if (v < low || v > high) return false;
    value = v;
    return true;
}

int ParsePackageCommand(const std::string& command, const char* help, std::vector<OptionSpec> known,
                        const std::vector<UString>& args, TOptions& o) {
    known.push_back({"help", 'h', false, false});
    if (!o.Parse(known, args)) return Complain(command, o.Error(), kExitUsage);
    if (o.Has("help")) {
        PrintOut(help);
        return kExitOk;
    }
    if (o.Positional().size() != 1)
        return Complain(command, "exactly one package file is needed", kExitUsage);
    return -1;
}

}  // namespace zmpack
