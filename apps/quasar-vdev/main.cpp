// quasar-vdev: serves emulated devices as hidraw-shaped nodes below a folder.
//
//   quasar-vdev --root DIR --device keyboard --device keyboard-receiver@0 --device mouse
//               [--no-stdin]
//
// Prints the two environment lines the program and quasarctl need, then serves until "quit",
// SIGINT or SIGTERM. Commands come one per line on stdin and on the stream socket
// DIR/control.sock (one line in, one line out).

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "vdev/virtual_device.h"

namespace {

using quasar::vdev::VirtualDeviceHost;

void usage(FILE* to) {
    std::fprintf(to,
                 "usage: quasar-vdev --root DIR --device MODEL[@TWIN] [--device ...] [--no-stdin]\n"
                 "models: keyboard keyboard-receiver mouse mouse-receiver mousepad headset\n"
                 "  MODEL@TWIN: the same keyboard or mouse as device TWIN (numbered from 0 in\n"
                 "  command-line order), reached the other way (cable or receiver)\n"
                 "commands (stdin or DIR/control.sock): list, add MODEL [TWIN], unplug ID,\n"
                 "  replug ID, event ID CODE(hex), fault ID KIND [COUNT],\n"
                 "  set ID AREA OFFSET HEXBYTES, dump [ID], quit\n"
                 "faults: none stale refuse-ff refuse-fe silent unreachable\n");
}

// "MODEL" or "MODEL@ID" (the receiver twin of device ID, or the cable twin of a receiver): the
// model and the twin's id (-1 for none). The twin must come earlier on the command line and be of
// the matching model.
std::optional<std::pair<quasar::vdev::DeviceModel, int>> parseDeviceArg(const std::string& text,
                                                                        int devicesBefore) {
    const auto at = text.find('@');
    auto model = quasar::vdev::parseModel(text.substr(0, at));
    if (!model) return std::nullopt;
    if (at == std::string::npos) return std::pair{*model, -1};
    const std::string id = text.substr(at + 1);
    if (id.empty() || id.size() > 6 || id.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int twin = std::stoi(id);
    if (twin >= devicesBefore) return std::nullopt;
    return std::pair{*model, twin};
}

struct Connection {
    int fd;
    std::string pending;
};

// Splits complete lines off the front of buffer.
std::vector<std::string> takeLines(std::string& buffer) {
    std::vector<std::string> lines;
    std::size_t nl;
    while ((nl = buffer.find('\n')) != std::string::npos) {
        std::string line = buffer.substr(0, nl);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        buffer.erase(0, nl + 1);
    }
    return lines;
}

bool writeAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN) {
                pollfd p{fd, POLLOUT, 0};
                ::poll(&p, 1, 1000);
                continue;
            }
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int openControlSocket(const std::string& path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return -1;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    ::unlink(path.c_str());
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

} // namespace

int main(int argc, char** argv) {
    std::string root;
    struct Wanted {
        quasar::vdev::DeviceModel model;
        int twinOf;
    };
    std::vector<Wanted> models;
    bool readStdin = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if ((a == "--root" || a == "--device") && i + 1 < argc) {
            const std::string v = argv[++i];
            if (a == "--root") {
                root = v;
            } else if (auto w = parseDeviceArg(v, static_cast<int>(models.size()))) {
                models.push_back({w->first, w->second});
            } else {
                std::fprintf(stderr, "quasar-vdev: bad device '%s'\n", v.c_str());
                usage(stderr);
                return 2;
            }
        } else if (a == "--no-stdin") {
            readStdin = false;
        } else if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "quasar-vdev: unexpected argument '%s'\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (root.empty()) {
        usage(stderr);
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    root = std::filesystem::absolute(root, ec).lexically_normal().string();
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();

    // Signals arrive through a descriptor so that the loop below ends cleanly on them.
    sigset_t mask;
    sigemptyset(&mask);
    sigaddset(&mask, SIGINT);
    sigaddset(&mask, SIGTERM);
    sigaddset(&mask, SIGHUP);
    sigprocmask(SIG_BLOCK, &mask, nullptr);
    signal(SIGPIPE, SIG_IGN);
    const int sigFd = ::signalfd(-1, &mask, SFD_CLOEXEC);

    VirtualDeviceHost host(root);
    for (const Wanted& w : models) {
        if (host.addDevice(w.model, w.twinOf) < 0) {
            std::fprintf(stderr,
                         "quasar-vdev: cannot add '%s' below %s (no such twin, or the nodes "
                         "could not be made)\n",
                         quasar::vdev::modelName(w.model), root.c_str());
            return 1;
        }
    }
    const std::string controlPath = root + "/control.sock";
    const int controlFd = openControlSocket(controlPath);
    if (controlFd < 0) {
        std::fprintf(stderr, "quasar-vdev: cannot open the control socket %s\n",
                     controlPath.c_str());
        return 1;
    }
    if (!host.start()) {
        std::fprintf(stderr, "quasar-vdev: cannot start serving\n");
        return 1;
    }

    std::printf("QUASAR_SYSFS_ROOT=%s\nQUASAR_DEV_ROOT=%s\n", host.sysfsRoot().c_str(),
                host.devRoot().c_str());
    std::fflush(stdout);

    // EOF on a terminal ends the program; EOF on anything else (a script's /dev/null, a closed
    // pipe) only stops reading it, so that a background run keeps serving until "quit" or a signal.
    const bool stdinIsTty = ::isatty(STDIN_FILENO) == 1;
    std::string stdinBuffer;
    std::vector<Connection> connections;
    bool quit = false;
    while (!quit) {
        std::vector<pollfd> fds;
        fds.push_back({sigFd, POLLIN, 0});
        fds.push_back({controlFd, POLLIN, 0});
        fds.push_back({readStdin ? STDIN_FILENO : -1, POLLIN, 0});
        for (const Connection& c : connections)
            fds.push_back({c.fd, POLLIN, 0});
        if (::poll(fds.data(), fds.size(), -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents) break; // SIGINT, SIGTERM or SIGHUP
        if (fds[1].revents & POLLIN) {
            for (;;) {
                int c = ::accept4(controlFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                if (c < 0) break;
                connections.push_back({c, {}});
            }
        }
        if (readStdin && fds[2].revents) {
            char buf[4096];
            ssize_t n = ::read(STDIN_FILENO, buf, sizeof buf);
            if (n > 0) {
                stdinBuffer.append(buf, static_cast<std::size_t>(n));
                for (const std::string& line : takeLines(stdinBuffer)) {
                    const std::string answer = quasar::vdev::runControlCommand(host, line, quit);
                    if (!answer.empty()) {
                        std::printf("%s\n", answer.c_str());
                        std::fflush(stdout);
                    }
                    if (quit) break;
                }
            } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                readStdin = false;
                if (stdinIsTty) quit = true;
            }
        }
        std::vector<Connection> kept;
        for (std::size_t i = 0; i < connections.size(); ++i) {
            Connection& c = connections[i];
            bool keep = true;
            if (!quit && fds[3 + i].revents) {
                char buf[4096];
                ssize_t n = ::recv(c.fd, buf, sizeof buf, MSG_DONTWAIT);
                if (n > 0) {
                    c.pending.append(buf, static_cast<std::size_t>(n));
                    for (const std::string& line : takeLines(c.pending)) {
                        bool q = false;
                        const std::string answer = quasar::vdev::runControlCommand(host, line, q);
                        if (!writeAll(c.fd, answer + "\n")) keep = false;
                        if (q) quit = true;
                        if (q || !keep) break;
                    }
                    if (c.pending.size() > 65536) keep = false; // no line end in sight
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    keep = false;
                }
            }
            if (keep && !quit)
                kept.push_back(c);
            else
                ::close(c.fd);
        }
        connections.swap(kept);
    }

    for (const Connection& c : connections)
        ::close(c.fd);
    ::close(controlFd);
    ::unlink(controlPath.c_str());
    host.stop();
    return 0;
}
