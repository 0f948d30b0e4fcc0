#pragma once
// zmpack's subcommands. Each takes the arguments after its own name and returns the exit
// status: 0 success, 1 a package problem, 2 a usage error.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace zmpack {

constexpr int kExitOk = 0;
constexpr int kExitPackage = 1;
constexpr int kExitUsage = 2;

int CmdCreate(const std::vector<UString>& args);
int CmdInfo(const std::vector<UString>& args);
int CmdList(const std::vector<UString>& args);
int CmdVerify(const std::vector<UString>& args);
int CmdExtract(const std::vector<UString>& args);
int CmdSign(const std::vector<UString>& args);
int CmdBrand(const std::vector<UString>& args);

// Output in UTF-8 on standard output / standard error.
void PrintOut(const std::string& text);
void PrintErr(const std::string& text);
// Collects what PrintOut and PrintErr would write in the given strings instead (nullptr: back to
// the streams), for callers that run the commands in-process many times.
void CaptureOutput(std::string* out, std::string* err);
// "zmpack <command>: <message>" on standard error; returns the status given.
int Complain(const std::string& command, const std::string& message, int status);

// The whole file at path into out; false with error naming the path when it does not open, does
// not read or holds more than limit bytes.
bool ReadWholeFile(const UString& path, int64_t limit, std::string& out, std::string& error);

const char* VersionText();

}  // namespace zmpack
