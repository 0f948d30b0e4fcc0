#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "tests/unit/childrun.h"

namespace testutil {
namespace {

// The content of an unnamed temporary file that took one of the child's output streams.
std::string ReadAll(FILE* f) {
    std::string s;
    if (f == nullptr) return s;
    std::rewind(f);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) s.append(buf, n);
    std::fclose(f);
    return s;
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, double time_limit_seconds) {
    ChildResult r;
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    if (out == nullptr || err == nullptr) {
        ReadAll(out), ReadAll(err);
        return r;
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int in = open("/dev/null", O_RDONLY);
        dup2(in, 0);
        dup2(fileno(out), 1);
        dup2(fileno(err), 2);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) {
        ReadAll(out), ReadAll(err);
        return r;
    }
    r.started = true;
    int status = 0;
    struct rusage usage = {};
    for (;;) {
        const pid_t done = wait4(pid, &status, WNOHANG, &usage);
        if (done == pid) break;
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done < 0 || elapsed > time_limit_seconds) {
            r.timed_out = done >= 0;
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peak_kib = usage.ru_maxrss;
    if (WIFEXITED(status)) r.exit_code = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) r.signal = WTERMSIG(status);
    r.out = ReadAll(out);
    r.err = ReadAll(err);
    return r;
}

}  // namespace testutil
