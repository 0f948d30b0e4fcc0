// zmpack: builds, inspects, verifies and extracts installer packages.
#include "platform/codepage.h"
#include "platform/console.h"
#include "tools/zmpack/commands.h"

namespace {

using namespace zmpack;

struct Command {
    const char* name;
    int (*run)(const std::vector<UString>&);
    const char* summary;
};

const Command kCommands[] = {
    {"create", CmdCreate, "build a package from folders and files or from a zip archive"},
    {"info", CmdInfo, "show what the installer would see in a package"},
    {"list", CmdList, "list the entries of a package's archive"},
    {"verify", CmdVerify, "check a package's archive: stored CRC-32 and a test extraction"},
    {"extract", CmdExtract, "extract a package as the installer would"},
    {"brand", CmdBrand, "give an unsigned package the publisher's icon, version and picture"},
    {"sign", CmdSign, "sign a package (Authenticode) so that it opens as before"},
};

void PrintHelp() {
    std::string text =
        "Usage: zmpack COMMAND [OPTIONS] ...\n"
        "Builds, inspects, verifies and extracts self-extracting installer packages.\n\n"
        "Commands:\n";
    for (const Command& c : kCommands) {
        std::string name = c.name;
        name.resize(10, ' ');
        text += "  " + name + c.summary + "\n";
    }
    text +=
        "\n'zmpack COMMAND --help' describes a command.\n"
        "Exit status: 0 success, 1 a package problem, 2 a usage error.\n";
    PrintOut(text);
}

}  // namespace

int main(int argc, char** argv) {
    platform::UseUtf8ConsoleOutput();
    std::vector<UString> args = platform::CommandLineArguments(argc, argv);
    if (args.size() < 2) {
        PrintErr("zmpack: a command is needed (try 'zmpack --help')\n");
        return kExitUsage;
    }
    const std::string first = platform::WideToUtf8(args[1]);
    if (first == "--help" || first == "-h" || first == "help") {
        PrintHelp();
        return kExitOk;
    }
    if (first == "--version") {
        PrintOut(VersionText());
        return kExitOk;
    }
    std::vector<UString> rest(args.begin() + 2, args.end());
    for (const Command& c : kCommands) {
        if (first == c.name) return c.run(rest);
    }
    PrintErr("zmpack: unknown command '" + first + "' (try 'zmpack --help')\n");
    return kExitUsage;
}
