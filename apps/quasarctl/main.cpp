#include <algorithm>
#include <cstdio>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "apps/quasarctl/ctl.h"

namespace quasarctl {

namespace {

std::map<std::string, CommandInfo>& registry() {
    static std::map<std::string, CommandInfo> commands;
    return commands;
}

void printUsage(std::FILE* out) {
    std::fprintf(out, "usage: quasarctl COMMAND [ARGS]\n\ncommands:\n");
    for (const auto& [name, info] : registry()) std::fprintf(out, "  %s\n", info.usage);
    std::fprintf(out,
                 "\nenvironment: QUASAR_SYSFS_ROOT (default /sys), QUASAR_DEV_ROOT (default /dev),"
                 "\n             QUASAR_TRACE=1 prints protocol traces on stderr\n");
}

} // namespace

bool registerCommand(const CommandInfo& info) {
    registry()[info.name] = info;
    return true;
}

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "quasarctl: %s\n", message.c_str());
    return status;
}

int usageError(const std::string& command, const std::string& message) {
    std::fprintf(stderr, "quasarctl: %s\n", message.c_str());
    auto it = registry().find(command);
    if (it != registry().end()) std::fprintf(stderr, "usage: quasarctl %s\n", it->second.usage);
    return 2;
}

bool takeFlag(std::vector<std::string>& args, const std::string& flag) {
    auto it = std::find(args.begin(), args.end(), flag);
    if (it == args.end()) return false;
    args.erase(it);
    return true;
}

} // namespace quasarctl

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        quasarctl::printUsage(args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    auto& commands = quasarctl::registry();
    auto it = commands.find(args[0]);
    if (it == commands.end()) {
        std::fprintf(stderr, "quasarctl: unknown command '%s'\n", args[0].c_str());
        quasarctl::printUsage(stderr);
        return 2;
    }
    std::vector<std::string> rest(args.begin() + 1, args.end());
    return it->second.run(rest);
}
