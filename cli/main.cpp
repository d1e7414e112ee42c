// tessaly-cli: the command-line front end of the depth-map engine.
#include "cli/commands.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct SCommand {
    const char* szName;
    int (*pRun)(const std::vector<std::string>&);
    const char* const* pUsage;
};

const SCommand kCommands[] = {
    {"depth", RunDepthCommand, &kDepthUsage},    {"outline", RunOutlineCommand, &kOutlineUsage},
    {"smooth", RunSmoothCommand, &kSmoothUsage}, {"split", RunSplitCommand, &kSplitUsage},
    {"batch", RunBatchCommand, &kBatchUsage},
};

void PrintUsage(std::FILE* pOut)
{
    std::fputs("Usage: tessaly-cli COMMAND [OPTIONS]\n\nCommands:\n", pOut);
    for (const SCommand& command : kCommands)
        std::fprintf(pOut, "%s\n", *command.pUsage);
}

} // namespace

int main(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        PrintUsage(args.empty() ? stderr : stdout);
        return args.empty() ? kExitUsage : kExitDone;
    }
    for (const SCommand& command : kCommands) {
        if (args[0] != command.szName)
            continue;
        const std::vector<std::string> rest(args.begin() + 1, args.end());
        if (!rest.empty() && (rest[0] == "--help" || rest[0] == "-h")) {
            std::fputs(*command.pUsage, stdout);
            return kExitDone;
        }
        return command.pRun(rest);
    }
    std::fprintf(stderr, "tessaly-cli: unknown command \"%s\"\n\n", args[0].c_str());
    PrintUsage(stderr);
    return kExitUsage;
}
