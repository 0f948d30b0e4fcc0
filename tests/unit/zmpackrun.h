#pragma once
// A zmpack command run in-process, its arguments given in UTF-8 and what it prints captured.
#include <string>
#include <vector>

#include "platform/codepage.h"
#include "tools/zmpack/commands.h"

namespace zmpackrun {

inline int Run(int (*cmd)(const std::vector<UString>&), const std::vector<std::string>& args,
               std::string& out, std::string& err) {
    std::vector<UString> w;
    for (const auto& a : args) w.push_back(platform::Utf8ToWide(a));
    out.clear(), err.clear();
    zmpack::CaptureOutput(&out, &err);
    const int rc = cmd(w);
    zmpack::CaptureOutput(nullptr, nullptr);
    return rc;
}

}  // namespace zmpackrun
