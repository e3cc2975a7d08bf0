#pragma once
// A fresh folder below $TMPDIR (or /tmp) for one test, removed with everything in it at the end.

#include <cstdlib>
#include <filesystem>
#include <string>

namespace quasar::testing {

class TempDir {
public:
    TempDir() {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quasar-test-XXXXXX";
        char* made = ::mkdtemp(pattern.data());
        path_ = made ? made : "";
    }
    ~TempDir() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "/" + relative
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Sets an environment variable for the lifetime of the object and restores the old value.
class ScopedEnv {
public:
    ScopedEnv(std::string name, const std::string& value) : name_(std::move(name)) {
        if (const char* old = std::getenv(name_.c_str())) old_ = old, hadOld_ = true;
        ::setenv(name_.c_str(), value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (hadOld_) ::setenv(name_.c_str(), old_.c_str(), 1);
        else ::unsetenv(name_.c_str());
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::string old_;
    bool hadOld_ = false;
};

} // namespace quasar::testing
