#include "engine/namematch.h"

namespace engine {
namespace {

char Fold(char c) {
    if (c == '\\') return '/';
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

}  // namespace

bool MatchPattern(const std::string& pattern, const std::string& name) {
    if (pattern == "*.*" || pattern == "*") return true;
    // Iterative matching with one backtrack point: linear in practice, never exponential.
    size_t p = 0, n = 0, star = std::string::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || Fold(pattern[p]) == Fold(name[n]))) {
            ++p;
            ++n;
        } else if (star != std::string::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool NameSelection::Selected(const std::string& name) const {
    bool in = include_.empty();
    for (const auto& p : include_)
        if (MatchPattern(p, name)) {
            in = true;
            break;
        }
    if (!in) return false;
    for (const auto& p : exclude_)
        if (MatchPattern(p, name)) return false;
    return true;
}

}  // namespace engine
