#pragma once
// Entry selection by name patterns: '*' any run of characters, '?' one character, letters
// compared without regard to ASCII case, '/' and '\' equal. "*.*" and "*" select every name.
#include <string>
#include <vector>

namespace engine {

bool MatchPattern(const std::string& pattern, const std::string& name);

class NameSelection {
  public:
    NameSelection(std::vector<std::string> include, std::vector<std::string> exclude)
        : include_(std::move(include)), exclude_(std::move(exclude)) {}
    // No include patterns select everything; an exclude match wins.
    bool Selected(const std::string& name) const;

  private:
    std::vector<std::string> include_, exclude_;
};

}  // namespace engine
