#include "platform/hid/hid_device.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/hid/report_descriptor.h"
#include "platform/hid/sysfs_enum.h"
#include "platform/trace.h"

namespace quasar {

namespace {

// hidraw never hands out more than this in one report.
constexpr std::size_t kReceiveBufferBytes = 16384;

std::size_t kindIndex(HidReportKind kind) {
    return static_cast<std::size_t>(kind);
}

// UTF-16 units the UTF-8 path would take (what the fixed path buffer is measured in).
std::size_t utf16Units(std::string_view path) {
    std::size_t units = 0;
    for (unsigned char c : path) {
        if ((c & 0xC0) == 0x80) continue; // continuation byte
        units += c >= 0xF0 ? 2 : 1;       // four-byte sequences need a surrogate pair
    }
    return units;
}

std::uint16_t parseAfterMarker(std::string_view path, std::string_view marker) {
    if (path.size() < marker.size()) return 0;
    for (std::size_t i = 0; i + marker.size() <= path.size(); ++i) {
        bool match = true;
        for (std::size_t j = 0; j < marker.size(); ++j) {
            if (std::tolower(static_cast<unsigned char>(path[i + j])) != marker[j]) {
                match = false;
                break;
            }
        }
        if (!match) continue;
        std::uint32_t value = 0; // the low 16 bits of the whole number
        for (std::size_t k = i + marker.size(); k < path.size(); ++k) {
            char c = path[k];
            int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
            if (d < 0) break;
            value = ((value << 4) | static_cast<std::uint32_t>(d)) & 0xFFFFu;
        }
        return static_cast<std::uint16_t>(value);
    }
    return 0;
}

bool hasMarker(std::string_view path, std::string_view marker) {
    auto it =
        std::search(path.begin(), path.end(), marker.begin(), marker.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == b;
        });
    return it != path.end();
}

// Connects to a SOCK_SEQPACKET node (the virtual device); -1 with errno on failure.
int connectSocketNode(const std::string& node) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (node.size() >= sizeof addr.sun_path) {
        errno = ENAMETOOLONG;
        return -1;
    }
    std::memcpy(addr.sun_path, node.c_str(), node.size() + 1);
    int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    // A full listen backlog answers EAGAIN at once; give the server a moment, never forever.
    for (int attempt = 0;; ++attempt) {
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return fd;
        if (errno == EINTR) continue;
        if (errno != EAGAIN || attempt >= 100) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int saved = errno;
    ::close(fd);
    errno = saved;
    return -1;
}

} // namespace

std::uint16_t parseVendorId(std::string_view path) {
    return parseAfterMarker(path, "vid_");
}
std::uint16_t parseProductId(std::string_view path) {
    return parseAfterMarker(path, "pid_");
}
std::uint16_t parseInterfaceNumber(std::string_view path) {
    return parseAfterMarker(path, "&mi_");
}
std::uint16_t parseCollectionNumber(std::string_view path) {
    return parseAfterMarker(path, "&col");
}

struct HidDevice::Impl {
    // Enumeration.
    std::vector<std::string> paths;
    bool hasList = false;
    std::size_t cursor = 0;

    // Open options.
    bool readAccess = false, writeAccess = false, overlapped = false, shareReadOnly = false;

    // Open state.
    bool open = false;
    int fd = -1; // -1 also while open with neither read nor write access
    bool socketNode = false; // fd is a SOCK_SEQPACKET connection, not a hidraw node
    std::string path;
    hid::Collection collection;
    bool numbered = false; // the node's reports begin with their report id
    HidCaps caps;
    HidAttributes attributes;
    std::array<std::vector<std::uint8_t>, 3> reportBuffers;
    std::array<std::vector<HidDataItem>, 3> items;
    int mi = 0, col = 0;
    int lastOpenError = 0;

    // Transfers. A thread that closes waits here until no transfer uses the descriptor.
    Event readDone{false}, writeDone{false}, cancel{false};
    std::mutex ioMutex;
    std::condition_variable ioIdle;
    int transfers = 0;
    bool readInProgress = false, writeInProgress = false;
    std::atomic<bool> lastReadWaited{false}; // the last read found nothing queued and polled
    std::vector<std::uint8_t> receive = std::vector<std::uint8_t>(kReceiveBufferBytes);

    bool beginTransfer(bool& flag, bool allowed) {
        std::lock_guard lock(ioMutex);
        if (!open || fd < 0 || !allowed) return false;
        ++transfers;
        flag = true;
        return true;
    }
    void endTransfer(bool& flag) {
        std::lock_guard lock(ioMutex);
        flag = false;
        --transfers;
        ioIdle.notify_all();
    }

    void closeNode() {
        std::unique_lock lock(ioMutex);
        if (transfers > 0) {
            cancel.set();
            ioIdle.wait(lock, [this] { return transfers == 0; });
            // The transfer may have ended on its own before it saw the signal: do not let
            // it cut short the first transfer after a reopen.
            cancel.reset();
        }
        if (fd >= 0) ::close(fd);
        fd = -1;
        socketNode = false;
        open = false;
        collection = hid::Collection{};
        numbered = false;
        caps = HidCaps{};
        attributes = HidAttributes{};
        for (auto& b : reportBuffers)
            b.clear();
        for (auto& i : items)
            i.clear();
        mi = col = 0;
    }

    void buildItems() {
        using hid::ReportKind;
        for (std::size_t k = 0; k < 3; ++k) {
            const auto kind = static_cast<ReportKind>(k);
            reportBuffers[k].assign(collection.reportByteLength[k], 0);
            auto& list = items[k];
            list.clear();
            for (const hid::CapRecord& r : collection.buttonCaps[k]) {
                HidDataItem item;
                item.isButton = true;
                item.usagePage = r.usagePage;
                item.reportId = r.reportId;
                item.usageMin = r.usageMin;
                item.usageMax = r.usageMax;
                item.maxUsageListLength = hid::maxUsageListLength(collection, kind, r.usagePage);
                item.usages.assign(item.maxUsageListLength, 0);
                list.push_back(std::move(item));
            }
            for (const hid::CapRecord& r : collection.valueCaps[k]) {
                for (std::uint32_t u = r.usageMin; u <= r.usageMax; ++u) {
                    HidDataItem item;
                    item.usagePage = r.usagePage;
                    item.reportId = r.reportId;
                    item.usage = static_cast<std::uint16_t>(u);
                    list.push_back(std::move(item));
                }
            }
        }
        caps.usage = collection.usage;
        caps.usagePage = collection.usagePage;
        caps.inputReportByteLength = collection.reportByteLength[0];
        caps.outputReportByteLength = collection.reportByteLength[1];
        caps.featureReportByteLength = collection.reportByteLength[2];
        caps.numberLinkCollectionNodes = collection.linkCollectionNodes;
        auto count = [](const std::vector<hid::CapRecord>& v) {
            return static_cast<std::uint16_t>(std::min<std::size_t>(v.size(), 0xFFFF));
        };
        caps.numberInputButtonCaps = count(collection.buttonCaps[0]);
        caps.numberInputValueCaps = count(collection.valueCaps[0]);
        caps.numberOutputButtonCaps = count(collection.buttonCaps[1]);
        caps.numberOutputValueCaps = count(collection.valueCaps[1]);
        caps.numberFeatureButtonCaps = count(collection.buttonCaps[2]);
        caps.numberFeatureValueCaps = count(collection.valueCaps[2]);
    }

    // Opens the stored path; on failure everything stays closed and lastOpenError says why.
    bool openStoredPath() {
        auto fail = [this](int error) {
            lastOpenError = error;
            std::lock_guard lock(ioMutex);
            if (fd >= 0) ::close(fd);
            fd = -1;
            return false;
        };
        if (path.empty()) return fail(ENOENT);
        if (utf16Units(path) > kMaxPathUnits) return fail(ENAMETOOLONG);
        const std::size_t hash = path.find('#');
        const std::string node = path.substr(0, hash);
        const std::string name = node.substr(node.rfind('/') + 1);

        struct stat st {};
        if (::stat(node.c_str(), &st) != 0) return fail(errno);
        const bool isSocket = S_ISSOCK(st.st_mode);
        int newFd = -1;
        if (readAccess || writeAccess) {
            if (isSocket) {
                newFd = connectSocketNode(node);
            } else {
                int mode = readAccess && writeAccess ? O_RDWR : readAccess ? O_RDONLY : O_WRONLY;
                newFd = ::open(node.c_str(), mode | O_NONBLOCK | O_CLOEXEC);
            }
            if (newFd < 0) return fail(errno);
        }
        {
            std::lock_guard lock(ioMutex);
            fd = newFd;
            socketNode = isSocket;
        }

        hid::HidrawNode info;
        std::string why;
        if (!hid::readHidrawNode(name, info, &why)) {
            trace::printf("hid: %s: %s\n", path.c_str(), why.c_str());
            return fail(ENODEV);
        }
        // The node number is reused by whatever is plugged in next: a path only opens the
        // interface it was made for.
        if (hash != std::string::npos) {
            std::string_view suffix = std::string_view(path).substr(hash);
            if ((hasMarker(suffix, "vid_") && parseVendorId(suffix) != info.vendorId) ||
                (hasMarker(suffix, "pid_") && parseProductId(suffix) != info.productId) ||
                (hasMarker(suffix, "&mi_") &&
                 parseInterfaceNumber(suffix) != static_cast<std::uint16_t>(info.interfaceNumber)))
                return fail(ENODEV);
        }
        hid::ReportDescriptor descriptor;
        if (!hid::parseReportDescriptor(info.descriptor.data(), info.descriptor.size(), descriptor,
                                        &why)) {
            trace::printf("hid: %s: report descriptor refused: %s\n", path.c_str(), why.c_str());
            return fail(EINVAL);
        }
        const std::size_t count = descriptor.collections.size();
        const std::uint16_t colNumber =
            hash == std::string::npos ? 0
                                      : parseCollectionNumber(std::string_view(path).substr(hash));
        std::size_t index = 0;
        if (colNumber == 0) {
            if (count != 1) return fail(ENODEV);
        } else {
            if (colNumber > count || count == 1) return fail(ENODEV);
            index = colNumber - 1u;
        }
        collection = std::move(descriptor.collections[index]);
        numbered = descriptor.usesReportIds;
        attributes.vendorId = info.vendorId;
        attributes.productId = info.productId;
        attributes.versionNumber = info.version;
        buildItems();
        mi = parseInterfaceNumber(path);
        col = parseCollectionNumber(path);
        lastOpenError = 0;
        std::lock_guard lock(ioMutex);
        open = true;
        return true;
    }

    // Waits for the node (events: POLLIN or POLLOUT) or the cancel signal. 1: ready, 0: time-out
    // or cancel, -1: the node failed.
    int waitNode(short events, std::uint64_t start, std::uint32_t timeoutMs, short* revents) {
        for (;;) {
            int wait = -1;
            if (timeoutMs != kInfinite) {
                std::uint64_t elapsed = tickCount() - start;
                wait = elapsed >= timeoutMs ? 0 : static_cast<int>(timeoutMs - elapsed);
            }
            const int cancelFd = cancel.pollFd();
            if (cancelFd < 0 && (wait < 0 || wait > 5)) wait = 5; // no eventfd: look every 5 ms
            pollfd fds[2] = {{fd, events, 0}, {cancelFd, POLLIN, 0}};
            int r = ::poll(fds, 2, wait);
            if (r < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if ((cancelFd < 0 || (fds[1].revents & POLLIN)) && cancel.tryConsume()) return 0;
            if (fds[0].revents) {
                *revents = fds[0].revents;
                return 1;
            }
            if (timeoutMs != kInfinite && tickCount() - start >= timeoutMs) return 0;
        }
    }
};

HidDevice::HidDevice() : impl_(new Impl) {}

HidDevice::~HidDevice() {
    close();
    delete impl_;
}

bool HidDevice::enumerateInterfaces() {
    releaseInterfacePaths();
    bool ok = true;
    std::vector<std::string> names = hid::listHidrawNodes(&ok);
    if (!ok) {
        trace::line("hid: cannot list the hidraw class folder");
        return false;
    }
    std::vector<std::string> paths;
    paths.reserve(4);
    for (const std::string& name : names) {
        hid::HidrawNode node;
        std::string why;
        if (!hid::readHidrawNode(name, node, &why)) {
            trace::printf("hid: skipping %s: %s\n", name.c_str(), why.c_str());
            continue;
        }
        struct stat st {};
        if (::lstat(node.nodePath.c_str(), &st) != 0) {
            trace::printf("hid: skipping %s: no node %s\n", name.c_str(), node.nodePath.c_str());
            continue;
        }
        hid::ReportDescriptor descriptor;
        if (!hid::parseReportDescriptor(node.descriptor.data(), node.descriptor.size(), descriptor,
                                        &why)) {
            trace::printf("hid: skipping %s: report descriptor refused: %s\n", name.c_str(),
                          why.c_str());
            continue;
        }
        const std::size_t count = descriptor.collections.size();
        if (count == 0) trace::printf("hid: skipping %s: no top-level collection\n", name.c_str());
        for (std::size_t i = 0; i < count; ++i)
            paths.push_back(hid::makeInterfacePath(node, i, count));
    }
    impl_->paths = std::move(paths);
    impl_->hasList = true;
    impl_->cursor = 0;
    return true;
}

std::optional<std::string> HidDevice::nextInterfacePath() {
    if (!impl_->hasList || impl_->cursor >= impl_->paths.size()) return std::nullopt;
    return impl_->paths[impl_->cursor++];
}

void HidDevice::releaseInterfacePaths() {
    impl_->paths.clear();
    impl_->paths.shrink_to_fit();
    impl_->hasList = false;
    impl_->cursor = 0;
}

std::size_t HidDevice::interfacePathCount() const {
    return impl_->hasList ? impl_->paths.size() : 0;
}

bool HidDevice::open(const std::string& path, bool readAccess, bool writeAccess, bool overlapped,
                     bool shareReadOnly) {
    close();
    impl_->readAccess = readAccess;
    impl_->writeAccess = writeAccess;
    impl_->overlapped = overlapped;
    impl_->shareReadOnly = shareReadOnly;
    if (utf16Units(path) > kMaxPathUnits) {
        // Refused before anything is kept, like a path that does not fit the path buffer.
        impl_->path.clear();
        impl_->lastOpenError = ENAMETOOLONG;
        return false;
    }
    impl_->path = path;
    return reopen();
}

bool HidDevice::reopen() {
    close();
    return impl_->openStoredPath();
}

void HidDevice::close() {
    impl_->closeNode();
}

bool HidDevice::isOpen() const {
    std::lock_guard lock(impl_->ioMutex);
    return impl_->open;
}

// Both transfers first try the descriptor without waiting (it is non-blocking) and only poll,
// on the node and the cancel signal together, when it is not ready: a command answer that is
// already queued, or a write the node takes at once, costs one system call. The cancel signal is
// looked at before every attempt, so a signal given while idle still ends the next transfer
// before a report that is already waiting.
bool HidDevice::read(std::uint8_t* buffer, std::uint32_t length, std::uint32_t* bytesRead,
                     std::uint32_t timeoutMs) {
    if (bytesRead) *bytesRead = 0;
    Impl& d = *impl_;
    if (!buffer || length == 0) return false;
    if (!d.beginTransfer(d.readInProgress, d.readAccess)) return false;
    std::uint64_t start = 0;
    bool started = false; // the clock is read only once a wait is needed
    bool ok = false;
    std::uint32_t moved = 0;
    // A read that had to wait last time (the answer to a command just written) most likely has
    // to wait again: it goes straight to poll instead of paying for a read that finds nothing.
    bool waitFirst = d.lastReadWaited.load(std::memory_order_relaxed);
    bool waited = false;
    for (;;) {
        if (d.cancel.tryConsume()) break;
        ssize_t n = -1;
        if (waitFirst) {
            errno = EAGAIN;
            waitFirst = false;
        } else {
            n = ::read(d.fd, d.receive.data(), d.receive.size());
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) break; // EIO: unplugged
            if (!started) {
                start = tickCount();
                started = true;
            }
            waited = true;
            short revents = 0;
            if (d.waitNode(POLLIN, start, timeoutMs, &revents) <= 0) break;
            if (!(revents & POLLIN)) break; // POLLERR / POLLHUP / POLLNVAL: the node went away
            continue;
        }
        if (n == 0) break; // socket node: the device closed the connection
        const std::uint8_t* report = d.receive.data();
        std::size_t size = static_cast<std::size_t>(n);
        if (d.numbered) {
            // Every reader of a node gets all of its reports: keep this collection's only. The
            // wait for the next one stays within the same time-out.
            if (!d.collection.ownsReportId(report[0])) {
                if (!started) {
                    start = tickCount();
                    started = true;
                } else if (timeoutMs != kInfinite && tickCount() - start >= timeoutMs) {
                    break;
                }
                continue;
            }
            moved = static_cast<std::uint32_t>(std::min<std::size_t>(size, length));
            std::memcpy(buffer, report, moved);
        } else {
            // Unnumbered reports come without an id byte; callers see id 0 in front, as on
            // Windows, so report[0] is always the report id.
            buffer[0] = 0;
            moved = static_cast<std::uint32_t>(std::min<std::size_t>(size + 1, length));
            if (moved > 1) std::memcpy(buffer + 1, report, moved - 1);
        }
        ok = true;
        break;
    }
    d.lastReadWaited.store(waited, std::memory_order_relaxed);
    d.endTransfer(d.readInProgress);
    if (bytesRead) *bytesRead = ok ? moved : 0;
    return ok;
}

bool HidDevice::write(const std::uint8_t* buffer, std::uint32_t length, std::uint32_t* bytesWritten,
                      std::uint32_t timeoutMs) {
    if (bytesWritten) *bytesWritten = 0;
    Impl& d = *impl_;
    if (!buffer || length == 0) return false;
    if (!d.beginTransfer(d.writeInProgress, d.writeAccess)) return false;
    std::uint64_t start = 0;
    bool started = false;
    bool ok = false;
    std::uint32_t moved = 0;
    for (;;) {
        if (d.cancel.tryConsume()) break;
        // hidraw takes the report with its id byte in front (0 when unnumbered); a socket node
        // takes the same bytes as one message. MSG_NOSIGNAL: a vanished peer is EPIPE, not a
        // signal.
        ssize_t n = d.socketNode ? ::send(d.fd, buffer, length, MSG_NOSIGNAL | MSG_DONTWAIT)
                                 : ::write(d.fd, buffer, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) break; // ENODEV, EPIPE: unplugged
            if (!started) {
                start = tickCount();
                started = true;
            }
            short revents = 0;
            if (d.waitNode(POLLOUT, start, timeoutMs, &revents) <= 0) break;
            if (!(revents & POLLOUT)) break;
            continue;
        }
        moved = static_cast<std::uint32_t>(n);
        ok = true;
        break;
    }
    d.endTransfer(d.writeInProgress);
    if (bytesWritten) *bytesWritten = ok ? moved : 0;
    return ok;
}

bool HidDevice::unpackInputReport(const std::uint8_t* report, std::uint32_t length) {
    Impl& d = *impl_;
    if (!d.open || !report || length < 1) return false;
    bool ok = true;
    for (HidDataItem& item : d.items[0]) {
        if (item.reportId != report[0]) continue;
        if (item.isButton) {
            std::uint32_t count = item.maxUsageListLength;
            item.status = hid::getUsages(d.collection, hid::ReportKind::Input, item.usagePage,
                                         item.usages.data(), &count, report, length);
            // Keep, in order, the usages of this record's range; zeros after them.
            std::uint32_t kept = 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint16_t u = item.usages[i];
                if (u >= item.usageMin && u <= item.usageMax) item.usages[kept++] = u;
            }
            std::fill(item.usages.begin() + kept, item.usages.end(), 0);
            if (item.status != hid::kStatusSuccess) ok = false;
        } else {
            std::uint32_t raw = 0;
            item.status = hid::getUsageValue(d.collection, hid::ReportKind::Input, item.usagePage,
                                             item.usage, &raw, report, length);
            if (item.status != hid::kStatusSuccess) return false;
            item.rawValue = raw;
            std::int32_t scaled = 0;
            item.status =
                hid::getScaledUsageValue(d.collection, hid::ReportKind::Input, item.usagePage,
                                         item.usage, &scaled, report, length);
            item.scaledValue = scaled;
        }
        item.isSet = true;
    }
    return ok;
}

const HidAttributes& HidDevice::attributes() const {
    return impl_->attributes;
}
const HidCaps& HidDevice::caps() const {
    return impl_->caps;
}
const std::string& HidDevice::path() const {
    return impl_->path;
}
std::vector<std::uint8_t>& HidDevice::reportBuffer(HidReportKind kind) {
    return impl_->reportBuffers[kindIndex(kind)];
}
std::vector<HidDataItem>& HidDevice::dataItems(HidReportKind kind) {
    return impl_->items[kindIndex(kind)];
}
int HidDevice::interfaceNumber() const {
    return impl_->mi;
}
int HidDevice::collectionNumber() const {
    return impl_->col;
}
Event& HidDevice::cancelEvent() {
    return impl_->cancel;
}
void HidDevice::cancelTransfer() {
    std::lock_guard lock(impl_->ioMutex);
    if (impl_->transfers > 0) impl_->cancel.set();
}
const std::vector<hid::CapRecord>& HidDevice::buttonCaps(HidReportKind kind) const {
    return impl_->collection.buttonCaps[kindIndex(kind)];
}
const std::vector<hid::CapRecord>& HidDevice::valueCaps(HidReportKind kind) const {
    return impl_->collection.valueCaps[kindIndex(kind)];
}
const std::vector<std::uint8_t>& HidDevice::reportIds() const {
    return impl_->collection.reportIds;
}
int HidDevice::lastOpenError() const {
    return impl_->lastOpenError;
}

} // namespace quasar
