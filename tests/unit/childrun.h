#pragma once
// Runs a command-line program as a child process, as a user would, for the black-box tests of
// zmpack: its exit status, its output, and its peak memory, under a time limit.
#include <string>
#include <vector>

namespace testutil {

struct ChildResult {
    bool started = false;
    bool timed_out = false;  // killed at the time limit
    int exit_code = -1;      // when it exited on its own
    int signal = 0;          // when a signal ended it
    long peak_kib = 0;       // largest resident set, KiB
    double seconds = 0;
    std::string out, err;  // standard output and error
};

// argv[0] is the program's path. Standard input is empty.
ChildResult RunChild(const std::vector<std::string>& argv, double time_limit_seconds);

}  // namespace testutil
