#pragma once
// quasarctl's sub-commands register themselves here, one source file per area, so each area of
// the program adds its commands without touching the others.
//
// Conventions for every command: exit status 0 on success, 1 on a failure (one clear line on
// stderr starting with "quasarctl: "), 2 on wrong usage. "--json" prints machine-readable output
// on stdout.

#include <string>
#include <vector>

namespace quasarctl {

// args are the words after the command's own name.
using CommandFn = int (*)(const std::vector<std::string>& args);

struct CommandInfo {
    const char* name;  // first word on the command line, e.g. "list"
    const char* usage; // one or more lines shown by "quasarctl --help"
    CommandFn run;
};

bool registerCommand(const CommandInfo& info);

// Prints "quasarctl: <message>" to stderr and returns 1 (or the given status).
int fail(const std::string& message, int status = 1);
// Prints "quasarctl: <message>" and the command's usage to stderr and returns 2.
int usageError(const std::string& command, const std::string& message);

// True when "--json" is among args; removes it.
bool takeFlag(std::vector<std::string>& args, const std::string& flag);

} // namespace quasarctl

#define QUASARCTL_CONCAT_(a, b) a##b
#define QUASARCTL_CONCAT(a, b) QUASARCTL_CONCAT_(a, b)
// QUASARCTL_COMMAND("list", "list [--json]   list the claimed device interfaces", runList);
#define QUASARCTL_COMMAND(name, usage, fn)                                                        \
    static const bool QUASARCTL_CONCAT(quasarctlRegistered_, __LINE__) =                          \
        ::quasarctl::registerCommand({name, usage, fn})
