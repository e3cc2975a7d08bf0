#pragma once
// A sysfs-shaped folder with hidraw nodes for the HID tests: the kernel's layout below
// DIR/sys and DIR/dev, each node served as a real SOCK_SEQPACKET socket by a thread of the test
// (one message is one report, every input report goes to every connected client, unplug closes
// the connections and removes the socket and the sysfs entries).

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace quasar::testing {

using Bytes = std::vector<std::uint8_t>;

// Serves one node path: accepts clients, collects their messages, broadcasts reports.
class SeqpacketServer {
public:
    explicit SeqpacketServer(std::string path) : path_(std::move(path)) {
        listen_ = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path_.c_str());
        ok_ = listen_ >= 0 &&
              ::bind(listen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
              ::listen(listen_, 16) == 0;
        if (::pipe2(wake_, O_CLOEXEC) != 0) ok_ = false;
        thread_ = std::thread([this] { run(); });
    }
    ~SeqpacketServer() { stop(); }
    SeqpacketServer(const SeqpacketServer&) = delete;
    SeqpacketServer& operator=(const SeqpacketServer&) = delete;

    bool ok() const { return ok_; }

    // Unplug: closes every connection and the listening socket, removes the socket file.
    void stop() {
        if (!thread_.joinable()) return;
        stopping_ = true;
        char c = 0;
        [[maybe_unused]] ssize_t n = ::write(wake_[1], &c, 1);
        thread_.join();
        std::lock_guard lock(mutex_);
        for (int fd : clients_)
            ::close(fd);
        clients_.clear();
        if (listen_ >= 0) ::close(listen_);
        listen_ = -1;
        ::close(wake_[0]);
        ::close(wake_[1]);
        ::unlink(path_.c_str());
    }

    // Closes the connections but keeps accepting new ones.
    void dropClients() {
        std::lock_guard lock(mutex_);
        for (int fd : clients_)
            ::close(fd);
        clients_.clear();
    }

    bool waitClients(std::size_t count, int timeoutMs = 2000) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                 [&] { return clients_.size() >= count; });
    }
    std::size_t clientCount() {
        std::lock_guard lock(mutex_);
        return clients_.size();
    }

    void broadcast(const Bytes& report) {
        std::lock_guard lock(mutex_);
        for (int fd : clients_)
            ::send(fd, report.data(), report.size(), MSG_NOSIGNAL);
    }

    std::optional<Bytes> waitMessage(int timeoutMs = 2000) {
        std::unique_lock lock(mutex_);
        if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                               [&] { return !received_.empty(); }))
            return std::nullopt;
        Bytes m = std::move(received_.front());
        received_.pop_front();
        return m;
    }

private:
    void run() {
        while (!stopping_) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listen_, POLLIN, 0}};
            {
                std::lock_guard lock(mutex_);
                for (int fd : clients_)
                    fds.push_back({fd, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
            if (fds[0].revents) break;
            std::lock_guard lock(mutex_);
            if (fds[1].revents & POLLIN) {
                int c = ::accept4(listen_, nullptr, nullptr, SOCK_CLOEXEC);
                if (c >= 0) clients_.push_back(c);
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents) continue;
                auto it = std::find(clients_.begin(), clients_.end(), fds[i].fd);
                if (it == clients_.end()) continue; // dropped meanwhile
                Bytes buf(4096);
                ssize_t n = ::recv(fds[i].fd, buf.data(), buf.size(), MSG_DONTWAIT);
                if (n > 0) {
                    buf.resize(static_cast<std::size_t>(n));
                    received_.push_back(std::move(buf));
                } else if (n == 0) {
                    ::close(fds[i].fd);
                    clients_.erase(it);
                }
            }
            changed_.notify_all();
        }
    }

    std::string path_;
    int listen_ = -1;
    int wake_[2] = {-1, -1};
    bool ok_ = false;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> clients_;
    std::deque<Bytes> received_;
    std::thread thread_;
};

struct NodeSpec {
    unsigned number = 0;
    std::uint16_t vendorId = 0x320F;
    std::uint16_t productId = 0x5064;
    int interfaceNumber = 1;
    Bytes descriptor;
    std::string bcdDevice = "0102"; // empty: no bcdDevice file
    bool serve = true;              // false: the node is a plain file, nobody listens
};

class HidTree {
public:
    HidTree()
        : sysEnv_("QUASAR_SYSFS_ROOT", dir_.file("sys")),
          devEnv_("QUASAR_DEV_ROOT", dir_.file("dev")) {
        std::filesystem::create_directories(dir_.file("sys/class/hidraw"));
        std::filesystem::create_directories(dir_.file("dev"));
    }

    const TempDir& dir() const { return dir_; }
    std::string nodePath(unsigned number) const {
        return dir_.file("dev/hidraw" + std::to_string(number));
    }

    // Plugs a node in; a replug of the same number gets a new HID directory instance.
    SeqpacketServer* plug(const NodeSpec& node) {
        namespace fs = std::filesystem;
        const std::string n = std::to_string(node.number);
        char hidName[64];
        std::snprintf(hidName, sizeof hidName, "0003:%04X:%04X.%04X", node.vendorId, node.productId,
                      ++instance_);
        const std::string usbDev = "sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + n;
        const std::string usbIf = usbDev + "/1-" + n + ":1." + std::to_string(node.interfaceNumber);
        const std::string hidDir = usbIf + "/" + hidName;
        fs::create_directories(dir_.file(hidDir + "/hidraw/hidraw" + n));
        char text[256];
        std::snprintf(text, sizeof text, "%04x\n", node.vendorId);
        write(usbDev + "/idVendor", text);
        std::snprintf(text, sizeof text, "%04x\n", node.productId);
        write(usbDev + "/idProduct", text);
        if (!node.bcdDevice.empty()) write(usbDev + "/bcdDevice", node.bcdDevice + "\n");
        std::snprintf(text, sizeof text, "%02x\n", node.interfaceNumber);
        write(usbIf + "/bInterfaceNumber", text);
        std::snprintf(text, sizeof text,
                      "DRIVER=hid-generic\nHID_ID=0003:%08X:%08X\nHID_NAME=Test Device\n"
                      "HID_PHYS=usb-0000:00:14.0-%s/input%d\nHID_UNIQ=\n"
                      "MODALIAS=hid:b0003g0001v%08Xp%08X\n",
                      node.vendorId, node.productId, n.c_str(), node.interfaceNumber, node.vendorId,
                      node.productId);
        write(hidDir + "/uevent", text);
        write(hidDir + "/report_descriptor",
              std::string(node.descriptor.begin(), node.descriptor.end()));
        write(hidDir + "/hidraw/hidraw" + n + "/uevent",
              "MAJOR=240\nMINOR=" + n + "\nDEVNAME=hidraw" + n + "\n");
        fs::create_directory_symlink("../../",
                                     dir_.file(hidDir + "/hidraw/hidraw" + n + "/device"));
        fs::create_directory_symlink("../../" + hidDir.substr(4) + "/hidraw/hidraw" + n,
                                     dir_.file("sys/class/hidraw/hidraw" + n));
        hidDirs_[node.number] = dir_.file(hidDir);
        if (!node.serve) {
            write("dev/hidraw" + n, "");
            return nullptr;
        }
        auto server = std::make_unique<SeqpacketServer>(nodePath(node.number));
        SeqpacketServer* raw = server.get();
        servers_[node.number] = std::move(server);
        return raw;
    }

    // Unplug: connections closed, socket file and sysfs entries removed.
    void unplug(unsigned number) {
        namespace fs = std::filesystem;
        if (auto it = servers_.find(number); it != servers_.end()) {
            it->second->stop();
            servers_.erase(it);
        }
        std::error_code ec;
        fs::remove(dir_.file("sys/class/hidraw/hidraw" + std::to_string(number)), ec);
        fs::remove(nodePath(number), ec);
        if (auto it = hidDirs_.find(number); it != hidDirs_.end()) fs::remove_all(it->second, ec);
    }

    SeqpacketServer* server(unsigned number) {
        auto it = servers_.find(number);
        return it == servers_.end() ? nullptr : it->second.get();
    }

    std::string hidDir(unsigned number) const { return hidDirs_.at(number); }

private:
    void write(const std::string& relative, const std::string& content) {
        std::ofstream(dir_.file(relative), std::ios::binary) << content;
    }

    TempDir dir_;
    ScopedEnv sysEnv_, devEnv_;
    unsigned instance_ = 0;
    std::map<unsigned, std::string> hidDirs_;
    std::map<unsigned, std::unique_ptr<SeqpacketServer>> servers_;
};

// The keyboard's interface 1: system keys (id 1), media keys (id 2, 16-bit array), device events
// (id 3, one 16-bit usage 0..FFFF), vendor commands (id 4, 63 bytes in and out).
// clang-format off
inline Bytes keyboardInterfaceDescriptor() {
    return {
        0x05, 0x01, 0x09, 0x80, 0xA1, 0x01, 0x85, 0x01,             // Generic Desktop / System Control
        0x19, 0x81, 0x29, 0x83, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x03, 0x81, 0x02,
        0x95, 0x05, 0x81, 0x01, 0xC0,                               // 5 padding bits
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02,             // Consumer Control: media keys
        0x19, 0x00, 0x2A, 0x3C, 0x02, 0x15, 0x00, 0x26, 0x3C, 0x02,
        0x75, 0x10, 0x95, 0x02, 0x81, 0x00, 0xC0,
        0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x03,             // Consumer Control: device events
        0x19, 0x00, 0x2A, 0xFF, 0xFF, 0x15, 0x00, 0x27, 0xFF, 0xFF, 0x00, 0x00,
        0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0xC0,
        0x06, 0x1C, 0xFF, 0x09, 0x92, 0xA1, 0x01, 0x85, 0x04,       // Vendor FF1C / 0092
        0x09, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x3F, 0x81, 0x02,
        0x09, 0x02, 0x91, 0x02, 0xC0,
    };
}
// clang-format on

// One Consumer Control collection without report ids (reports carry no id byte on the wire).
// clang-format off
inline Bytes unnumberedDescriptor() {
    return {0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x19, 0x00, 0x2A, 0xFF, 0x03, 0x15, 0x00,
            0x26, 0xFF, 0x03, 0x75, 0x10, 0x95, 0x01, 0x81, 0x00, 0x06, 0x1C, 0xFF, 0x09,
            0x01, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x95, 0x08, 0x91, 0x02, 0xC0};
}
// clang-format on

} // namespace quasar::testing
