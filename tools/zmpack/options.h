#pragma once
// A small command-line option parser: "--name value", "--name=value", "-x value", flags without
// a value, repeatable options, and "--" ending the options. Everything else is positional.
#include <map>
#include <string>
#include <vector>

#include "platform/types.h"

namespace zmpack {

struct OptionSpec {
    std::string long_name;  // without the dashes, e.g. "stub"
    char short_name = 0;    // e.g. 'o', or 0
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

// The options of a command that works on exactly one package file ("--help" is added here).
// Returns -1 when the command goes on with o filled in, else the exit status to return at once.
int ParsePackageCommand(const std::string& command, const char* help, std::vector<OptionSpec> known,
                        const std::vector<UString>& args, TOptions& o);

// Whole-text decimal integer within [low, high]; false otherwise.
bool ParseInteger(const UString& text, long long low, long long high, long long& value);

}  // namespace zmpack
