#include "shell/single_instance.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/trace.h"

namespace quasar {

namespace {

constexpr char kWakeText[] = "wake\n";

bool fillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

bool usableFolder(const std::string& dir) {
    struct stat st {};
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           ::access(dir.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::string SingleInstance::runtimeFolder() {
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (xdg && *xdg == '/' && usableFolder(xdg)) {
        std::string d = xdg;
        return d.back() == '/' ? d : d + "/";
    }
    std::string dir = "/tmp/quasar-" + std::to_string(::getuid());
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // Someone else's folder of that name (or a symbolic link) must not receive our socket.
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    ::chmod(dir.c_str(), 0700);
    return dir + "/";
}

SingleInstance::SingleInstance(std::string name) : name_(std::move(name)), folder_(runtimeFolder()) {}

SingleInstance::~SingleInstance() {
    stopListening();
    if (lockFd_ >= 0) {
        ::close(lockFd_); // releases the lock last, after the socket is gone
        lockFd_ = -1;
    }
}

SingleInstance::Role SingleInstance::acquire() {
    if (lockFd_ >= 0) return Role::First;
    if (folder_.empty()) return Role::Failed;
    int fd = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Role::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        ::close(fd);
        return err == EWOULDBLOCK ? Role::Second : Role::Failed;
    }
    lockFd_ = fd;
    return Role::First;
}

bool SingleInstance::wakeFirst(int timeoutMs) {
    sockaddr_un addr;
    if (folder_.empty() || !fillAddress(socketPath(), addr)) return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) {
            ssize_t n = ::send(fd, kWakeText, sizeof kWakeText - 1, MSG_NOSIGNAL);
            ::close(fd);
            return n == static_cast<ssize_t>(sizeof kWakeText - 1);
        }
        ::close(fd);
        if (std::chrono::steady_clock::now() >= deadline) return false;
        ::usleep(20 * 1000);
    }
}

bool SingleInstance::listen(std::function<void()> onWake) {
    if (lockFd_ < 0 || listenFd_ >= 0) return false;
    sockaddr_un addr;
    if (!fillAddress(socketPath(), addr)) return false;
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    ::unlink(socketPath().c_str()); // left by a copy that ended without cleaning up
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    stopFd_ = ::eventfd(0, EFD_CLOEXEC);
    if (stopFd_ < 0) {
        ::close(fd);
        ::unlink(socketPath().c_str());
        return false;
    }
    listenFd_ = fd;
    onWake_ = std::move(onWake);
    thread_ = std::thread([this] { acceptLoop(); });
    return true;
}

void SingleInstance::stopListening() {
    if (listenFd_ < 0) return;
    std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) trace::line("single instance: stop signal failed");
    if (thread_.joinable()) thread_.join();
    ::close(listenFd_);
    ::close(stopFd_);
    listenFd_ = stopFd_ = -1;
    ::unlink(socketPath().c_str());
}

void SingleInstance::acceptLoop() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        int r = ::poll(fds, 2, -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (!(fds[0].revents & POLLIN)) continue;
        int c = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) continue;
        // A well-behaved second copy sends its line at once; a peer that sends nothing within
        // 500 ms (or something else) is dropped without waking the window.
        char buf[16] = {};
        pollfd in{c, POLLIN, 0};
        ssize_t n = 0;
        if (::poll(&in, 1, 500) == 1) n = ::recv(c, buf, sizeof buf - 1, 0);
        ::close(c);
        if (n == static_cast<ssize_t>(sizeof kWakeText - 1) &&
            std::memcmp(buf, kWakeText, sizeof kWakeText - 1) == 0) {
            trace::line("single instance: woken by a second copy");
            if (onWake_) onWake_();
        }
    }
}

} // namespace quasar
