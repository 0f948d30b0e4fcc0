#pragma once
// A small command-line option parser: "--name value", "--name=value", "-x value", flags without
// a value, repeatable options, and "--" ending the options. Everything else is positional.
#include <map>
#include <string>
#include <vector>

#include "platform/types.h"

namespace zmpack {

struct OptionSpec {
    std::string long_name;   // without the dashes, e.g. "stub"
    char short_name = 0;     // e.g. 'o', or 0
    bool takes_value = false;
    bool repeatable = false;
};

class TOptions {
public:
    // False, with Error(), on an unknown option, a missing value, a value given to a flag, or a
    // non-repeatable option given twice.
    bool Parse(const std::vector<OptionSpec>& specs, const std::vector<UString>& args);
    const std::string& Error() const { return error_; }

    bool Has(const std::string& name) const { return values_.count(name) != 0; }
    // The (last) value of an option; empty when absent.
    UString Value(const std::string& name) const;
    const std::vector<UString>& Values(const std::string& name) const;
    const std::vector<UString>& Positional() const { return positional_; }

private:
    std::map<std::string, std::vector<UString>> values_;
    std::vector<UString> positional_;
    std::string error_;
};

// Whole-text decimal integer within [low, high]; false otherwise.
bool ParseInteger(const UString& text, long long low, long long high, long long& value);

}  // namespace zmpack
