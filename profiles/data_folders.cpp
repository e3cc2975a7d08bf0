#include "profiles/data_folders.h"

#include <cstdlib>
#include <sys/stat.h>

#include "platform/program_paths.h"

namespace quasar {

namespace {

std::string homeDataFolder() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share";
}

// Creates every missing level of path (which ends in "/"); errors are left to the later file
// operations, which fail on their own.
void makeLevels(const std::string& path) {
    for (std::size_t pos = 1; pos < path.size(); ++pos) {
        if (path[pos] != '/') continue;
        std::string level = path.substr(0, pos);
        (void)::mkdir(level.c_str(), 0700);
    }
}

} // namespace

int classIndexOf(std::string_view className) {
    for (std::size_t i = 0; i < kDeviceClassNames.size(); ++i)
        if (kDeviceClassNames[i] == className) return static_cast<int>(i);
    return -1;
}

std::string dataRootFolder() {
    std::string path = homeDataFolder() + "/" + std::string(kProductString) + "/";
    makeLevels(path);
    return path;
}

std::string userDataFolder(std::string_view className) {
    std::string path =
        homeDataFolder() + "/" + std::string(kProductString) + "/" + std::string(className) + "/";
    makeLevels(path);
    return path;
}

std::string factoryDefaultPath(std::string_view className) {
    return defaultDataFolder() + std::string(className) + ".Json";
}

} // namespace quasar
