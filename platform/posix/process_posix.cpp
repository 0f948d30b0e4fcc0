#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "platform/codepage.h"
#include "platform/process.h"

namespace platform {

UString GetExeName() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return UString();
    return Utf8ToWide(std::string(buf, static_cast<size_t>(n)));
}

bool CreateGuidText(AnsiString& out) {
    std::random_device rd;
    unsigned char b[16];
    for (auto& x : b) x = static_cast<unsigned char>(rd());
    b[6] = static_cast<unsigned char>((b[6] & 0x0F) | 0x40);
    b[8] = static_cast<unsigned char>((b[8] & 0x3F) | 0x80);
    char text[40];
    std::snprintf(text, sizeof(text),
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    out = text;
    return true;
}

AnsiString UserUILanguageIso639() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* v = std::getenv(var);
        if (v == nullptr || *v == '\0') continue;
        std::string s(v);
        if (s == "C" || s == "POSIX" || s.rfind("C.", 0) == 0) return AnsiString();
        size_t end = s.find_first_of("_.@");
        std::string lang = s.substr(0, end);
        if (lang.size() < 2 || lang.size() > 3) return AnsiString();
        return lang;
    }
    return AnsiString();
}

}  // namespace platform

extern char** environ;

namespace platform {

int RunProgram(const std::vector<std::string>& argv, bool quiet, bool& missing) {
    missing = false;
    if (argv.empty()) return -1;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet) posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int err = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        missing = err == ENOENT;
        return -1;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    // The C library reports a program it could not execute as exit code 127.
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127) missing = true;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace platform
