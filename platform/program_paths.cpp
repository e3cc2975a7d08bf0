#include "platform/program_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace quasar {

namespace {

std::string withSlash(std::string p) {
    if (p.empty() || p.back() != '/') p += '/';
    return p;
}

const char* dataDirOverride() {
    const char* v = std::getenv("QUASAR_DATA_DIR");
    return v && *v ? v : nullptr;
}

} // namespace

bool runningFromBuildTree() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return false;
    auto build = std::filesystem::weakly_canonical(QUASAR_BINARY_DIR, ec);
    if (ec) return false;
    auto rel = exe.lexically_relative(build);
    return !rel.empty() && rel.native().rfind("..", 0) != 0;
}

std::string programFolder() {
    if (const char* v = dataDirOverride()) return withSlash(v);
    if (runningFromBuildTree()) return withSlash(QUASAR_BINARY_DIR);
    return withSlash(QUASAR_INSTALL_DATA_DIR);
}

std::string defaultDataFolder() {
    if (const char* v = dataDirOverride()) return withSlash(v) + "DefaultData/";
    if (runningFromBuildTree()) return withSlash(QUASAR_SOURCE_DATA_DIR) + "data/DefaultData/";
    return withSlash(QUASAR_INSTALL_DATA_DIR) + "DefaultData/";
}

std::string skinFolder() { return programFolder() + "skin/"; }

} // namespace quasar
