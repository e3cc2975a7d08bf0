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
    // Every command's first usage line starts at the margin, later lines are indented alike,
    // whatever indentation the command's own text used.
    for (const auto& [name, info] : registry()) {
        std::string usage = info.usage;
        std::size_t start = 0;
        bool first = true;
        while (start <= usage.size()) {
            std::size_t end = usage.find('\n', start);
            if (end == std::string::npos) end = usage.size();
            std::string lineText = usage.substr(start, end - start);
            std::size_t text = lineText.find_first_not_of(' ');
            if (text != std::string::npos) {
                // A further form of the same command ("hid read ...") starts at the margin too.
                const char* body = lineText.c_str() + text;
                bool form = first || lineText.compare(text, name.size() + 1, name + " ") == 0;
                std::fprintf(out, "%s%s\n", form ? "  " : "        ", body);
            }
            first = false;
            start = end + 1;
        }
    }
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
