// JSON stores read from files: the whole bytes of a file through JsonFileIo::readJsonFile.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "profiles/jsonfileio.h"

namespace {

// One file rewritten for every input, removed when the program ends.
struct ScratchFile {
    std::string path;
    ScratchFile() {
        // Memory-backed when possible: every input rewrites the file, and a disk makes that the
        // slowest part of a run.
        const char* tmp = std::getenv("TMPDIR");
        std::string dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : tmp && *tmp ? tmp : "/tmp";
        path = dir + "/quasar-fuzz-json-XXXXXX";
        int fd = ::mkstemp(path.data());
        if (fd < 0) std::abort();
        ::close(fd);
    }
    ~ScratchFile() { ::unlink(path.c_str()); }
};

const std::string& scratchFile() {
    static ScratchFile file;
    return file.path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = scratchFile();
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    quasar::JsonFileIo io;
    // The file reads back whole, and whatever it holds parses to a value or to null.
    if (io.readFileText(path) != std::string(reinterpret_cast<const char*>(data), size))
        __builtin_trap();
    Json::Value value = io.readJsonFile(path);
    volatile bool isNull = value.isNull();
    (void)isNull;
    return 0;
}
