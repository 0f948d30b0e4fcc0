#pragma once
// The /LOG file of an install: UTF-8, one line per entry and per message, then the outcome. Lines
// go to the file as they come, so a run that is stopped leaves what it did.
#include "platform/files.h"
#include "platform/types.h"

class TSetupLog {
  public:
    // An empty path keeps no log. False when the file (or its folder) cannot be made.
    bool Open(const UString& path);
    void Line(const UString& text);
    // The last line: the exit code and what it means.
    void Outcome(int exit_code);

  private:
    platform::FileStream file_;
};
