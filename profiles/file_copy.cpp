#include "profiles/file_copy.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "profiles/jsonfileio.h"

namespace quasar {

bool copyFileAtomic(const std::string& from, const std::string& to) {
    if (to.empty()) return false;
    struct stat st {};
    if (::stat(from.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    JsonFileIo io;
    std::string bytes = io.readFileText(from);
    if (bytes.size() != static_cast<std::size_t>(st.st_size)) return false;

    std::string tmp = to + ".tmp-XXXXXX";
    int fd = ::mkstemp(tmp.data());
    if (fd < 0) return false;
    std::size_t done = 0;
    bool ok = true;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fchmod(fd, 0644) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(tmp.c_str(), to.c_str()) == 0;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

} // namespace quasar
