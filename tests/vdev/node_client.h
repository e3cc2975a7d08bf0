#pragma once
// A plain client of a virtual hidraw node: a SOCK_SEQPACKET connection, one message per report.

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quasar::testing {

class NodeClient {
public:
    explicit NodeClient(const std::string& path) {
        fd_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
        if (fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~NodeClient() {
        if (fd_ >= 0) ::close(fd_);
    }
    NodeClient(const NodeClient&) = delete;
    NodeClient& operator=(const NodeClient&) = delete;

    bool connected() const { return fd_ >= 0; }

    bool send(const std::uint8_t* data, std::size_t length) {
        return fd_ >= 0 && ::send(fd_, data, length, MSG_NOSIGNAL) == static_cast<ssize_t>(length);
    }
    template <std::size_t N> bool send(const std::array<std::uint8_t, N>& report) {
        return send(report.data(), N);
    }

    // One report; nullopt when none arrives within the time-out; an empty vector when the device
    // closed the connection.
    std::optional<std::vector<std::uint8_t>> receive(int timeoutMs = 2000) {
        if (fd_ < 0) return std::nullopt;
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0) return std::nullopt;
        std::vector<std::uint8_t> buf(4096);
        ssize_t n = ::recv(fd_, buf.data(), buf.size(), 0);
        if (n <= 0) return std::vector<std::uint8_t>{};
        buf.resize(static_cast<std::size_t>(n));
        return buf;
    }

    // Sends a request and returns the first report that comes back.
    std::optional<std::vector<std::uint8_t>> transact(const std::array<std::uint8_t, 64>& request) {
        if (!send(request)) return std::nullopt;
        return receive();
    }

private:
    int fd_ = -1;
};

// Waits (bounded) until condition holds; the result says whether it did.
inline bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 3000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

} // namespace quasar::testing
