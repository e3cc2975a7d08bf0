#include "vdev/virtual_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <set>
#include <thread>

#include "platform/trace.h"
#include "vdev/device_model.h"

namespace fs = std::filesystem;

namespace quasar::vdev {

namespace {

constexpr std::size_t kReceivedKept = 4096;
constexpr std::size_t kMaxReport = 4096;
constexpr const char* kControllerPath = "devices/pci0000:00/0000:00:14.0";
constexpr int kHidrawMajor = 241;

std::string hex4Upper(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04X", v & 0xFFFF);
    return b;
}
std::string hex4Lower(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "%04x", v & 0xFFFF);
    return b;
}
std::string hex8Upper(unsigned v) {
    char b[12];
    std::snprintf(b, sizeof b, "%08X", v);
    return b;
}

std::string bytesHex(const std::vector<std::uint8_t>& v) {
    static const char* digits = "0123456789abcdef";
    std::string s;
    s.reserve(v.size() * 2);
    for (std::uint8_t b : v) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 15]);
    }
    return s;
}

bool writeFile(const fs::path& p, const std::string& text) {
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f << text;
    return static_cast<bool>(f);
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

bool areTwins(DeviceModel a, DeviceModel b) {
    auto pair = [&](DeviceModel x, DeviceModel y) {
        return (a == x && b == y) || (a == y && b == x);
    };
    return pair(DeviceModel::Keyboard, DeviceModel::KeyboardReceiver) ||
           pair(DeviceModel::Mouse, DeviceModel::MouseReceiver);
}

} // namespace

struct VirtualDeviceHost::Impl {
    struct Node {
        int interfaceNumber = 0;
        bool commandNode = false; // carries the command and event collections
        std::vector<std::uint8_t> descriptor;
        int hidraw = -1;
        int instance = 0;
        int listenFd = -1;
        std::vector<int> clients;
        std::string socketPath;
        fs::path classLink;
    };
    struct Device {
        int id = 0;
        DeviceState state;
        std::vector<Node> nodes;
        bool plugged = false;
        int port = 0;
        int twinOf = -1;
        fs::path usbDir;
        std::deque<std::vector<std::uint8_t>> received;
    };

    std::string root;
    fs::path sys, dev;
    mutable std::mutex mu;
    std::vector<std::unique_ptr<Device>> devices;
    std::set<int> usedHidraw;
    int nextInstance = 1;
    int wakeFd = -1;
    std::vector<int> closeLater; // shut down, closed by the serving thread when it is not polling
    std::thread thread;
    std::atomic<bool> running{false};

    Device* find(int id) const {
        if (id < 0 || static_cast<std::size_t>(id) >= devices.size()) return nullptr;
        return devices[id].get();
    }

    void wake() {
        if (wakeFd >= 0) {
            std::uint64_t one = 1;
            [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
        }
    }

    // A connection the serving thread may be polling: shut it down now (the client sees the end
    // at once) and close it once the thread is out of poll(), so its number is never reused
    // under the thread's feet.
    void retireFd(int fd) {
        if (fd < 0) return;
        ::shutdown(fd, SHUT_RDWR);
        if (running)
            closeLater.push_back(fd);
        else
            ::close(fd);
    }

    int lowestFreeHidraw() const {
        int n = 0;
        while (usedHidraw.count(n))
            ++n;
        return n;
    }

    // Makes one node: the HID device directory (new instance), its hidraw entry, the class link
    // and the listening socket.
    bool plugNode(Device& d, Node& n) {
        const ModelIdentity ident = modelIdentity(d.state.model);
        const std::string portName = "1-" + std::to_string(d.port);
        const fs::path ifDir = d.usbDir / (portName + ":1." + std::to_string(n.interfaceNumber));
        n.instance = nextInstance++;
        n.hidraw = lowestFreeHidraw();
        const std::string hidName = "0003:" + hex4Upper(ident.vendorId) + ":" +
                                    hex4Upper(ident.productId) + "." +
                                    hex4Upper(static_cast<unsigned>(n.instance));
        const fs::path hidDir = ifDir / hidName;
        const std::string node = "hidraw" + std::to_string(n.hidraw);
        const fs::path rawDir = hidDir / "hidraw" / node;
        std::error_code ec;
        fs::create_directories(rawDir, ec);
        if (ec) return false;
        char ifnum[8];
        std::snprintf(ifnum, sizeof ifnum, "%02x\n", n.interfaceNumber);
        bool ok = writeFile(ifDir / "bInterfaceNumber", ifnum);
        ok = ok &&
             writeFile(hidDir / "uevent",
                       "DRIVER=hid-generic\nHID_ID=0003:" + hex8Upper(ident.vendorId) + ":" +
                           hex8Upper(ident.productId) + "\nHID_NAME=" + ident.productName +
                           "\nHID_PHYS=usb-0000:00:14.0-" + std::to_string(d.port) + "/input" +
                           std::to_string(n.interfaceNumber) +
                           "\nHID_UNIQ=\nMODALIAS=hid:b0003g0001v" + hex8Upper(ident.vendorId) +
                           "p" + hex8Upper(ident.productId) + "\n");
        ok = ok && writeFile(hidDir / "report_descriptor",
                             std::string(n.descriptor.begin(), n.descriptor.end()));
        ok = ok && writeFile(rawDir / "uevent", "MAJOR=" + std::to_string(kHidrawMajor) +
                                                    "\nMINOR=" + std::to_string(n.hidraw) +
                                                    "\nDEVNAME=" + node + "\n");
        fs::create_directory_symlink("../../", rawDir / "device", ec);
        ok = ok && !ec;
        n.classLink = sys / "class" / "hidraw" / node;
        fs::create_directories(n.classLink.parent_path(), ec);
        fs::remove(n.classLink, ec);
        fs::create_directory_symlink(fs::path("../..") / fs::relative(rawDir, sys), n.classLink,
                                     ec);
        ok = ok && !ec;
        if (!ok) return false;

        n.socketPath = (dev / node).string();
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        if (n.socketPath.size() >= sizeof addr.sun_path) {
            trace::printf("vdev: node path too long for a socket: %s", n.socketPath.c_str());
            return false;
        }
        std::memcpy(addr.sun_path, n.socketPath.c_str(), n.socketPath.size() + 1);
        ::unlink(n.socketPath.c_str());
        n.listenFd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (n.listenFd < 0) return false;
        if (::bind(n.listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(n.listenFd, 16) != 0) {
            closeFd(n.listenFd);
            return false;
        }
        usedHidraw.insert(n.hidraw);
        return true;
    }

    bool plug(Device& d) {
        const ModelIdentity ident = modelIdentity(d.state.model);
        d.usbDir = sys / kControllerPath / "usb1" / ("1-" + std::to_string(d.port));
        std::error_code ec;
        fs::create_directories(d.usbDir, ec);
        if (ec) return false;
        char bcd[8];
        std::snprintf(bcd, sizeof bcd, "%02x%02x\n", d.state.memory->info[2],
                      d.state.memory->info[1]);
        bool ok = writeFile(d.usbDir / "idVendor", hex4Lower(ident.vendorId) + "\n") &&
                  writeFile(d.usbDir / "idProduct", hex4Lower(ident.productId) + "\n") &&
                  writeFile(d.usbDir / "bcdDevice", bcd) &&
                  writeFile(d.usbDir / "manufacturer", "NORVO\n") &&
                  writeFile(d.usbDir / "product", std::string(ident.productName) + "\n");
        for (Node& n : d.nodes)
            ok = ok && plugNode(d, n);
        d.plugged = true; // so that a partial plug is undone by unplugNodes
        if (!ok) {
            unplugNodes(d);
            return false;
        }
        wake();
        return true;
    }

    void unplugNodes(Device& d) {
        std::error_code ec;
        for (Node& n : d.nodes) {
            for (int fd : n.clients)
                retireFd(fd);
            n.clients.clear();
            if (n.listenFd >= 0) {
                retireFd(n.listenFd);
                n.listenFd = -1;
            }
            if (!n.socketPath.empty()) ::unlink(n.socketPath.c_str());
            n.socketPath.clear();
            if (!n.classLink.empty()) fs::remove(n.classLink, ec);
            n.classLink.clear();
            if (n.hidraw >= 0) usedHidraw.erase(n.hidraw);
            n.hidraw = -1;
        }
        if (!d.usbDir.empty()) fs::remove_all(d.usbDir, ec);
        d.plugged = false;
        wake();
    }

    // Sends one input report to every client of the node, as hidraw hands each input report to
    // every reader. A client that does not read loses reports rather than blocking the device.
    static void broadcast(Node& n, const std::vector<std::uint8_t>& report) {
        for (int fd : n.clients)
            [[maybe_unused]] ssize_t sent =
                ::send(fd, report.data(), report.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    void onReport(Device& d, Node& n, const std::uint8_t* data, std::size_t length) {
        if (d.received.size() >= kReceivedKept) d.received.pop_front();
        d.received.emplace_back(data, data + length);
        if (!n.commandNode) return;
        for (const auto& answer : handleReport(d.state, data, length))
            broadcast(n, answer);
    }

    void serve() {
        struct Watch {
            int fd;
            int device;
            std::size_t node;
            bool listener;
        };
        std::vector<pollfd> fds;
        std::vector<Watch> watches;
        std::vector<std::uint8_t> buf(kMaxReport);
        while (running) {
            fds.clear();
            watches.clear();
            {
                std::lock_guard lock(mu);
                fds.push_back({wakeFd, POLLIN, 0});
                watches.push_back({wakeFd, -1, 0, false});
                for (const auto& d : devices) {
                    if (!d->plugged) continue;
                    for (std::size_t i = 0; i < d->nodes.size(); ++i) {
                        const Node& n = d->nodes[i];
                        if (n.listenFd >= 0) {
                            fds.push_back({n.listenFd, POLLIN, 0});
                            watches.push_back({n.listenFd, d->id, i, true});
                        }
                        for (int fd : n.clients) {
                            fds.push_back({fd, POLLIN, 0});
                            watches.push_back({fd, d->id, i, false});
                        }
                    }
                }
            }
            if (::poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) break;
            std::lock_guard lock(mu);
            for (std::size_t w = 0; w < fds.size(); ++w) {
                if (!fds[w].revents) continue;
                const Watch& watch = watches[w];
                if (watch.device < 0) {
                    std::uint64_t v;
                    [[maybe_unused]] ssize_t r = ::read(wakeFd, &v, sizeof v);
                    continue;
                }
                Device* d = find(watch.device);
                if (!d || !d->plugged) continue;
                Node& n = d->nodes[watch.node];
                if (watch.listener) {
                    if (n.listenFd != watch.fd) continue;
                    for (;;) {
                        int c =
                            ::accept4(n.listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
                        if (c < 0) break;
                        n.clients.push_back(c);
                    }
                    continue;
                }
                auto it = std::find(n.clients.begin(), n.clients.end(), watch.fd);
                if (it == n.clients.end()) continue; // gone since the poll set was built
                bool drop = false;
                for (;;) {
                    ssize_t got = ::recv(watch.fd, buf.data(), buf.size(), MSG_DONTWAIT);
                    if (got > 0) {
                        onReport(*d, n, buf.data(), static_cast<std::size_t>(got));
                        continue;
                    }
                    if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
                        break;
                    drop = true; // orderly close (0) or a broken connection
                    break;
                }
                if (drop) {
                    it = std::find(n.clients.begin(), n.clients.end(), watch.fd);
                    if (it != n.clients.end()) n.clients.erase(it);
                    ::close(watch.fd);
                }
            }
            for (int fd : closeLater)
                ::close(fd);
            closeLater.clear();
        }
    }
};

VirtualDeviceHost::VirtualDeviceHost(std::string rootDir) : impl_(std::make_unique<Impl>()) {
    impl_->root = std::move(rootDir);
    impl_->sys = fs::path(impl_->root) / "sys";
    impl_->dev = fs::path(impl_->root) / "dev";
    std::error_code ec;
    // A run that was killed leaves its nodes behind; they would show up as devices that answer
    // nothing, so a new host starts from a clean tree.
    for (const fs::path& dir :
         {impl_->sys / "class" / "hidraw", impl_->sys / kControllerPath / "usb1", impl_->dev}) {
        std::vector<fs::path> stale;
        for (const auto& entry : fs::directory_iterator(dir, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("hidraw", 0) == 0 || name.rfind("1-", 0) == 0)
                stale.push_back(entry.path());
        }
        for (const fs::path& p : stale)
            fs::remove_all(p, ec);
    }
    fs::create_directories(impl_->sys / "class" / "hidraw", ec);
    fs::create_directories(impl_->sys / kControllerPath / "usb1", ec);
    fs::create_directories(impl_->dev, ec);
    impl_->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
}

VirtualDeviceHost::~VirtualDeviceHost() {
    stop();
    std::lock_guard lock(impl_->mu);
    for (auto& d : impl_->devices)
        if (d->plugged) impl_->unplugNodes(*d);
    for (int fd : impl_->closeLater)
        ::close(fd);
    impl_->closeLater.clear();
    closeFd(impl_->wakeFd);
    // Leave no empty skeleton behind; anything else in these folders is not ours to remove.
    std::error_code ec;
    for (const fs::path& p :
         {impl_->sys / kControllerPath / "usb1", impl_->sys / kControllerPath,
          impl_->sys / "devices/pci0000:00", impl_->sys / "devices", impl_->sys / "class/hidraw",
          impl_->sys / "class", impl_->sys, impl_->dev})
        fs::remove(p, ec);
}

int VirtualDeviceHost::addDevice(DeviceModel model, int twinOf) {
    std::lock_guard lock(impl_->mu);
    auto d = std::make_unique<Impl::Device>();
    d->id = static_cast<int>(impl_->devices.size());
    d->port = d->id + 1;
    d->state = makeDeviceState(model);
    if (twinOf >= 0) {
        // One keyboard or mouse reached both ways: the cable device and its receiver share what
        // the device stores (each keeps its own faults, reports and nodes).
        const Impl::Device* twin = impl_->find(twinOf);
        if (!twin || !areTwins(model, twin->state.model)) return -1;
        d->state.memory = twin->state.memory;
        d->twinOf = twinOf;
    }
    const ModelIdentity ident = modelIdentity(model);
    if (model == DeviceModel::Keyboard || model == DeviceModel::KeyboardReceiver) {
        // The keyboard's boot interface: present like on the real bus, never claimed.
        Impl::Node boot;
        boot.interfaceNumber = 0;
        boot.descriptor = bootKeyboardDescriptor();
        d->nodes.push_back(std::move(boot));
    }
    Impl::Node main;
    main.interfaceNumber = ident.interfaceNumber;
    main.commandNode = true;
    main.descriptor = reportDescriptor(model);
    d->nodes.push_back(std::move(main));
    if (!impl_->plug(*d)) return -1;
    impl_->devices.push_back(std::move(d));
    return impl_->devices.back()->id;
}

bool VirtualDeviceHost::start() {
    std::lock_guard lock(impl_->mu);
    if (impl_->running) return true;
    if (impl_->wakeFd < 0) return false;
    impl_->running = true;
    try {
        impl_->thread = std::thread([this] { impl_->serve(); });
    } catch (...) {
        impl_->running = false;
        return false;
    }
    return true;
}

void VirtualDeviceHost::stop() {
    {
        std::lock_guard lock(impl_->mu);
        if (!impl_->running) return;
        impl_->running = false;
        impl_->wake();
    }
    if (impl_->thread.joinable()) impl_->thread.join();
    std::lock_guard lock(impl_->mu);
    for (int fd : impl_->closeLater)
        ::close(fd);
    impl_->closeLater.clear();
}

std::string VirtualDeviceHost::rootDir() const {
    return impl_->root;
}
std::string VirtualDeviceHost::sysfsRoot() const {
    return impl_->sys.string();
}
std::string VirtualDeviceHost::devRoot() const {
    return impl_->dev.string();
}

std::vector<int> VirtualDeviceHost::deviceIds() const {
    std::lock_guard lock(impl_->mu);
    std::vector<int> ids;
    for (const auto& d : impl_->devices)
        ids.push_back(d->id);
    return ids;
}

bool VirtualDeviceHost::hasDevice(int id) const {
    std::lock_guard lock(impl_->mu);
    return impl_->find(id) != nullptr;
}

DeviceModel VirtualDeviceHost::model(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d ? d->state.model : DeviceModel::Keyboard;
}

bool VirtualDeviceHost::isPlugged(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d && d->plugged;
}

std::string VirtualDeviceHost::nodePath(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d && d->plugged ? d->nodes.back().socketPath : std::string();
}

int VirtualDeviceHost::hidrawNumber(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d && d->plugged ? d->nodes.back().hidraw : -1;
}

int VirtualDeviceHost::instanceNumber(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d ? d->nodes.back().instance : -1;
}

int VirtualDeviceHost::clientCount(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d ? static_cast<int>(d->nodes.back().clients.size()) : 0;
}

bool VirtualDeviceHost::unplug(int id) {
    std::lock_guard lock(impl_->mu);
    auto* d = impl_->find(id);
    if (!d || !d->plugged) return false;
    impl_->unplugNodes(*d);
    return true;
}

bool VirtualDeviceHost::replug(int id) {
    std::lock_guard lock(impl_->mu);
    auto* d = impl_->find(id);
    if (!d || d->plugged) return false;
    return impl_->plug(*d);
}

bool VirtualDeviceHost::sendEvent(int id, std::uint16_t code) {
    std::lock_guard lock(impl_->mu);
    auto* d = impl_->find(id);
    if (!d || !d->plugged) return false;
    const std::vector<std::uint8_t> report{kEventReportId, static_cast<std::uint8_t>(code & 0xFF),
                                           static_cast<std::uint8_t>(code >> 8)};
    Impl::broadcast(d->nodes.back(), report);
    return true;
}

void VirtualDeviceHost::setFault(int id, Fault f) {
    std::lock_guard lock(impl_->mu);
    if (auto* d = impl_->find(id)) d->state.fault = f.count == 0 ? Fault{} : f;
}

Fault VirtualDeviceHost::fault(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d ? d->state.fault : Fault{};
}

std::vector<std::vector<std::uint8_t>> VirtualDeviceHost::receivedReports(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    if (!d) return {};
    return {d->received.begin(), d->received.end()};
}

void VirtualDeviceHost::clearReceived(int id) {
    std::lock_guard lock(impl_->mu);
    if (auto* d = impl_->find(id)) d->received.clear();
}

DeviceMemory VirtualDeviceHost::memory(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    return d ? *d->state.memory : DeviceMemory{};
}

void VirtualDeviceHost::updateMemory(int id, const std::function<void(DeviceMemory&)>& change) {
    std::lock_guard lock(impl_->mu);
    if (auto* d = impl_->find(id)) change(*d->state.memory);
}

Json::Value VirtualDeviceHost::dumpState(int id) const {
    std::lock_guard lock(impl_->mu);
    const auto* d = impl_->find(id);
    if (!d) return Json::Value();
    const ModelIdentity ident = modelIdentity(d->state.model);
    const DeviceMemory& m = *d->state.memory;
    const Impl::Node& n = d->nodes.back();
    Json::Value v(Json::objectValue);
    v["id"] = d->id;
    v["model"] = modelName(d->state.model);
    v["vendorId"] = hex4Upper(ident.vendorId);
    v["productId"] = hex4Upper(ident.productId);
    v["plugged"] = d->plugged;
    if (d->twinOf >= 0) v["twinOf"] = d->twinOf;
    v["node"] = d->plugged ? n.socketPath : std::string();
    v["hidraw"] = d->plugged ? n.hidraw : -1;
    v["instance"] = n.instance;
    v["clients"] = static_cast<int>(n.clients.size());
    v["fault"]["kind"] = faultKindName(d->state.fault.kind);
    v["fault"]["count"] = d->state.fault.count;
    v["received"] = static_cast<Json::UInt64>(d->received.size());
    v["configOpen"] = m.configOpen;
    v["hostLighting"] = m.hostLighting;
    v["configBegins"] = m.configBegins;
    v["configEnds"] = m.configEnds;
    v["lightFrames"] = m.lightFrames;
    Json::Value& mem = v["memory"];
    mem["info"] = bytesHex({m.info.begin(), m.info.end()});
    mem["keyTable"] = bytesHex(m.keyTable);
    mem["keyLedMap"] = bytesHex(m.keyLedMap);
    mem["settings"] = bytesHex(m.settings);
    mem["macro"] = bytesHex(m.macro);
    mem["colors"] = bytesHex(m.colors);
    mem["recoil"] = bytesHex(m.recoil);
    mem["lightFrame"] = bytesHex(m.lightFrame);
    mem["status"] = bytesHex(m.status);
    Json::Value lights(Json::arrayValue);
    for (const auto& r : m.headsetLights)
        lights.append(bytesHex(r));
    mem["headsetLights"] = lights;
    return v;
}

Json::Value VirtualDeviceHost::dumpAll() const {
    Json::Value all(Json::arrayValue);
    for (int id : deviceIds())
        all.append(dumpState(id));
    return all;
}

} // namespace quasar::vdev
