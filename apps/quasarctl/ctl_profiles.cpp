// quasarctl profiles / macros: the profile library and macro store of a device class, through the
// same code the program's profile bar and macro editor use.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <json/value.h>
#include <json/writer.h>

#include "apps/quasarctl/ctl.h"
#include "profiles/data_folders.h"
#include "profiles/jsonfileio.h"
#include "profiles/profile_library.h"
#include "profiles/side_stores.h"

namespace quasarctl {
namespace {

const char* kProfilesUsage =
    "profiles CLASS list|add|copy|delete|reset|select INDEX|rename NAME|import FILE|export FILE "
    "[--json]\n"
    "      profiles of a device class (keyboard, mouse, MousePad, HD); every command prints the "
    "resulting list";
const char* kMacrosUsage =
    "macros CLASS list|add|delete INDEX|rename INDEX NAME|import FILE|export INDEX FILE [--json]\n"
    "      the macros of a device class";

std::string compactJson(const Json::Value& v) {
    Json::StreamWriterBuilder b;
    b["indentation"] = "";
    b["emitUTF8"] = true;
    return Json::writeString(b, v);
}

// A whole non-negative decimal number, nothing else.
bool parseIndex(const std::string& text, int& out) {
    if (text.empty() || text.size() > 9) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    out = v;
    return true;
}

// Why a file named on the command line cannot be read; empty when it is a readable file.
std::string unreadableReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "cannot read " + path + ": " + std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return path + " is not a regular file";
    if (quasar::JsonFileIo().readFileText(path).empty() && st.st_size > 0)
        return "cannot read " + path;
    return {};
}

bool knownClass(const std::string& name) {
    return quasar::classIndexOf(name) >= 0;
}

std::string classList() {
    std::string s;
    for (auto name : quasar::kDeviceClassNames)
        s += (s.empty() ? "" : ", ") + std::string(name);
    return s;
}

void printProfiles(const quasar::ProfileLibrary& lib, bool asJson) {
    if (asJson) {
        Json::Value arr(Json::arrayValue);
        for (std::size_t i = 0; i < lib.entries().size(); ++i) {
            Json::Value e(Json::objectValue);
            e["name"] = lib.entries()[i].name;
            e["uuid"] = lib.entries()[i].uuid;
            e["selected"] = static_cast<int>(i) == lib.selectedIndex();
            arr.append(e);
        }
        std::cout << compactJson(arr) << "\n";
        return;
    }
    for (std::size_t i = 0; i < lib.entries().size(); ++i) {
        const auto& e = lib.entries()[i];
        std::cout << (static_cast<int>(i) == lib.selectedIndex() ? "* " : "  ") << i << "  "
                  << e.name << "  (" << e.uuid << ")\n";
    }
}

int runProfiles(const std::vector<std::string>& argsIn) {
    std::vector<std::string> args = argsIn;
    bool asJson = takeFlag(args, "--json");
    if (args.size() < 2) return usageError("profiles", "a class and an operation are needed");
    const std::string& cls = args[0];
    const std::string& op = args[1];
    if (!knownClass(cls))
        return usageError("profiles", "unknown class '" + cls + "' (one of " + classList() + ")");
    auto needArgs = [&](std::size_t n) { return args.size() == 2 + n; };

    quasar::ProfileLibrary lib(cls);
    lib.loadProfileList();

    bool done = true;
    std::string failure;
    if (op == "list") {
        if (!needArgs(0)) return usageError("profiles", "list takes no arguments");
    } else if (op == "add") {
        if (!needArgs(0)) return usageError("profiles", "add takes no arguments");
        done = lib.addProfile();
        failure =
            static_cast<int>(lib.entries().size()) >= quasar::ProfileLibrary::kMaxAddedProfiles
                ? "no profile added: " + std::to_string(quasar::ProfileLibrary::kMaxAddedProfiles) +
                      " profiles exist already"
                : "the profile could not be written";
    } else if (op == "copy") {
        if (!needArgs(0)) return usageError("profiles", "copy takes no arguments");
        done = lib.copyProfile();
        failure = "the profile could not be copied";
    } else if (op == "delete") {
        if (!needArgs(0)) return usageError("profiles", "delete takes no arguments");
        done = lib.deleteProfile();
        failure = lib.entries().size() < 2 ? "the last profile cannot be deleted"
                                           : "the profile could not be deleted";
    } else if (op == "reset") {
        if (!needArgs(0)) return usageError("profiles", "reset takes no arguments");
        done = lib.resetProfile();
        failure = quasar::JsonFileIo().readJsonFile(lib.factoryDefaultPath()).isObject()
                      ? "the profile could not be reset"
                      : "the profile could not be reset: the factory profile " +
                            lib.factoryDefaultPath() + " is missing or unreadable";
    } else if (op == "select") {
        int index = 0;
        if (!needArgs(1) || !parseIndex(args[2], index))
            return usageError("profiles", "select needs a profile index");
        if (index >= static_cast<int>(lib.entries().size()))
            return fail("no profile " + args[2] + " (there are " +
                        std::to_string(lib.entries().size()) + ")");
        done = lib.selectProfile(index);
        failure = "the profile list could not be written";
    } else if (op == "rename") {
        if (!needArgs(1)) return usageError("profiles", "rename needs a name");
        auto r = lib.renameProfile(args[2]);
        done = r == quasar::ProfileLibrary::RenameDone;
        failure = r == quasar::ProfileLibrary::RenameBlank      ? "the name is blank"
                  : r == quasar::ProfileLibrary::RenameNameUsed ? "another profile has that name"
                                                                : "no profile is selected";
    } else if (op == "import") {
        if (!needArgs(1) || args[2].empty()) return usageError("profiles", "import needs a file");
        if (std::string why = unreadableReason(args[2]); !why.empty()) return fail(why);
        if (quasar::JsonFileIo().readJsonFile(args[2]).isNull())
            return fail(args[2] + " is not a JSON document");
        done = lib.importProfile(args[2]);
        failure = quasar::ProfileLibrary::isImportable(quasar::JsonFileIo().readJsonFile(args[2]))
                      ? "the imported profile could not be written"
                      : args[2] + " is not a profile (\"profilename\" or \"profileUUID\" missing)";
    } else if (op == "export") {
        if (!needArgs(1) || args[2].empty()) return usageError("profiles", "export needs a file");
        done = lib.exportProfile(args[2]);
        failure = "the profile could not be exported to " + args[2];
    } else {
        return usageError("profiles", "unknown operation '" + op + "'");
    }
    if (!done) return fail(failure);
    // Show the list as the program will find it on disk next time.
    quasar::ProfileLibrary after(cls);
    after.loadProfileList();
    printProfiles(after, asJson);
    return 0;
}

void printMacros(const quasar::MacroStore& store, bool asJson) {
    if (asJson) {
        Json::Value arr(Json::arrayValue);
        for (std::size_t i = 0; i < store.macros().size(); ++i) {
            Json::Value e(Json::objectValue);
            e["index"] = static_cast<int>(i);
            e["name"] = store.macros()[i].name;
            e["guid"] = store.macros()[i].guid;
            arr.append(e);
        }
        std::cout << compactJson(arr) << "\n";
        return;
    }
    for (std::size_t i = 0; i < store.macros().size(); ++i)
        std::cout << i << "  " << store.macros()[i].name << "  (" << store.macros()[i].guid
                  << ")\n";
}

int runMacros(const std::vector<std::string>& argsIn) {
    std::vector<std::string> args = argsIn;
    bool asJson = takeFlag(args, "--json");
    if (args.size() < 2) return usageError("macros", "a class and an operation are needed");
    const std::string& cls = args[0];
    const std::string& op = args[1];
    if (!knownClass(cls))
        return usageError("macros", "unknown class '" + cls + "' (one of " + classList() + ")");
    auto needArgs = [&](std::size_t n) { return args.size() == 2 + n; };

    // The mousepad's and headset's macro lists belong to another program: only read here.
    if (op != "list" && cls != "keyboard" && cls != "mouse")
        return fail(cls + " keeps no macros of its own; its macro list can only be listed");

    quasar::MacroStore store = quasar::MacroStore::forClass(cls);
    store.load();
    int count = static_cast<int>(store.macros().size());
    auto indexArg = [&](const std::string& text, int& index) {
        return parseIndex(text, index) && index < count;
    };

    int index = 0;
    if (op == "list") {
        if (!needArgs(0)) return usageError("macros", "list takes no arguments");
    } else if (op == "add") {
        if (!needArgs(0)) return usageError("macros", "add takes no arguments");
        if (count >= quasar::MacroStore::kMaxMacros)
            return fail("no macro added: " + std::to_string(quasar::MacroStore::kMaxMacros) +
                        " macros exist already");
        if (store.newMacro() < 0) return fail("the macro list could not be written");
    } else if (op == "delete") {
        if (!needArgs(1) || !parseIndex(args[2], index))
            return usageError("macros", "delete needs a macro index");
        if (index >= count) return fail("no macro " + args[2]);
        if (!store.deleteMacro(index)) return fail("the macro list could not be written");
    } else if (op == "rename") {
        if (!needArgs(2) || !parseIndex(args[2], index))
            return usageError("macros", "rename needs a macro index and a name");
        if (index >= count) return fail("no macro " + args[2]);
        if (!store.renameMacro(index, args[3]))
            return fail("the name is blank or could not be written");
    } else if (op == "import") {
        if (!needArgs(1) || args[2].empty()) return usageError("macros", "import needs a file");
        if (count >= quasar::MacroStore::kMaxMacros)
            return fail("no macro imported: " + std::to_string(quasar::MacroStore::kMaxMacros) +
                        " macros exist already");
        if (std::string why = unreadableReason(args[2]); !why.empty()) return fail(why);
        if (!quasar::JsonFileIo().readJsonFile(args[2]).isObject())
            return fail(args[2] + " is not a macro file (a JSON object)");
        if (store.importMacro(args[2]) < 0) return fail("the imported macro could not be written");
    } else if (op == "export") {
        if (!needArgs(2) || !parseIndex(args[2], index) || args[3].empty())
            return usageError("macros", "export needs a macro index and a file");
        if (!indexArg(args[2], index)) return fail("no macro " + args[2]);
        std::string from = store.macroFilePath(index);
        struct stat st {};
        if (from.empty() || ::stat(from.c_str(), &st) != 0)
            return fail("macro " + args[2] + " has never been saved: there are no steps to export");
        if (!store.exportMacro(index, args[3])) return fail(args[3] + " cannot be written");
    } else {
        return usageError("macros", "unknown operation '" + op + "'");
    }
    store.load();
    printMacros(store, asJson);
    return 0;
}

} // namespace

QUASARCTL_COMMAND("profiles", kProfilesUsage, runProfiles);
QUASARCTL_COMMAND("macros", kMacrosUsage, runMacros);

} // namespace quasarctl
