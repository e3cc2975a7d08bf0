#include "platform/hid/sysfs_enum.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

#include "platform/hid/report_descriptor.h"

namespace quasar::hid {

namespace fs = std::filesystem;

namespace {

std::string rootFromEnv(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    std::string root = value && *value ? value : fallback;
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// All of text as one hexadecimal number of at most 8 digits.
bool parseHex(std::string_view text, std::uint32_t& value) {
    if (text.empty() || text.size() > 8) return false;
    value = 0;
    for (char c : text) {
        int d = hexDigit(c);
        if (d < 0) return false;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return true;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.remove_suffix(1);
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    return s;
}

// A small sysfs attribute holding one hexadecimal number ("01\n", "0102\n").
bool readHexAttribute(const fs::path& path, std::uint32_t& value) {
    std::string text;
    if (!readWholeFile(path.string(), text, 64)) return false;
    return parseHex(trim(text), value);
}

} // namespace

std::string sysfsRoot() {
    return rootFromEnv("QUASAR_SYSFS_ROOT", "/sys");
}

std::string devRoot() {
    return rootFromEnv("QUASAR_DEV_ROOT", "/dev");
}

bool readWholeFile(const std::string& path, std::string& out, std::size_t maxBytes) {
    out.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char chunk[4096];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        if (n == 0) break;
        if (out.size() + static_cast<std::size_t>(n) > maxBytes) {
            ok = false;
            break;
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (!ok) out.clear();
    return ok;
}

bool parseHidUevent(std::string_view text, HidUevent& out) {
    out = HidUevent{};
    bool haveId = false;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        std::string_view key = line.substr(0, eq), value = trim(line.substr(eq + 1));
        if (key == "HID_ID") {
            // bus:vendor:product, e.g. "0003:0000320F:00005064"
            std::size_t c1 = value.find(':');
            std::size_t c2 = c1 == std::string_view::npos ? c1 : value.find(':', c1 + 1);
            std::uint32_t bus = 0, vid = 0, pid = 0;
            if (c2 == std::string_view::npos || !parseHex(value.substr(0, c1), bus) ||
                !parseHex(value.substr(c1 + 1, c2 - c1 - 1), vid) ||
                !parseHex(value.substr(c2 + 1), pid) || bus > 0xFFFF || vid > 0xFFFF ||
                pid > 0xFFFF)
                return false;
            out.bus = static_cast<std::uint16_t>(bus);
            out.vendorId = static_cast<std::uint16_t>(vid);
            out.productId = static_cast<std::uint16_t>(pid);
            haveId = true;
        } else if (key == "HID_PHYS") {
            // "usb-0000:00:14.0-1/input1": the interface number in decimal after "/input".
            std::size_t at = value.rfind("/input");
            if (at != std::string_view::npos) {
                std::string_view digits = value.substr(at + 6);
                int number = 0;
                bool ok = !digits.empty() && digits.size() <= 3;
                for (std::size_t i = 0; ok && i < digits.size(); ++i) {
                    if (digits[i] < '0' || digits[i] > '9')
                        ok = false;
                    else
                        number = number * 10 + (digits[i] - '0');
                }
                if (ok && number <= 255) out.interfaceNumber = number;
            }
        } else if (key == "HID_NAME") {
            out.name = std::string(value);
        }
    }
    return haveId;
}

long hidrawNumber(std::string_view name) {
    constexpr std::string_view prefix = "hidraw";
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 ||
        name.substr(0, prefix.size()) != prefix)
        return -1;
    long n = 0;
    for (char c : name.substr(prefix.size())) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

std::vector<std::string> listHidrawNodes(bool* ok) {
    *ok = true;
    std::vector<std::pair<long, std::string>> found;
    std::error_code ec;
    fs::path dir = fs::path(sysfsRoot()) / "class" / "hidraw";
    fs::directory_iterator it(dir, ec);
    if (ec) {
        // No hidraw class at all means no HID interfaces, not a failure.
        *ok = ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory;
        return {};
    }
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec) {
            *ok = false;
            return {};
        }
        std::string name = it->path().filename().string();
        long n = hidrawNumber(name);
        if (n >= 0) found.emplace_back(n, name);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& f : found)
        names.push_back(std::move(f.second));
    return names;
}

bool readHidrawNode(const std::string& name, HidrawNode& out, std::string* error) {
    auto fail = [&](const char* why) {
        if (error) *error = why;
        return false;
    };
    out = HidrawNode{};
    if (hidrawNumber(name) < 0) return fail("not a hidraw node name");
    std::error_code ec;
    fs::path hidDir =
        fs::canonical(fs::path(sysfsRoot()) / "class" / "hidraw" / name / "device", ec);
    if (ec) return fail("no HID device directory");

    std::string text;
    HidUevent uevent;
    if (!readWholeFile((hidDir / "uevent").string(), text, 65536)) return fail("no uevent");
    if (!parseHidUevent(text, uevent)) return fail("uevent without a valid HID_ID");

    if (!readWholeFile((hidDir / "report_descriptor").string(), text, kMaxDescriptorBytes))
        return fail("report descriptor missing or too large");
    out.descriptor.assign(text.begin(), text.end());

    out.name = name;
    out.nodePath = devRoot() + "/" + name;
    out.vendorId = uevent.vendorId;
    out.productId = uevent.productId;
    out.interfaceNumber = uevent.interfaceNumber;
    std::uint32_t value = 0;
    if (out.interfaceNumber < 0)
        out.interfaceNumber =
            readHexAttribute(hidDir.parent_path() / "bInterfaceNumber", value) && value <= 0xFF
                ? static_cast<int>(value)
                : 0;
    if (readHexAttribute(hidDir.parent_path().parent_path() / "bcdDevice", value) &&
        value <= 0xFFFF)
        out.version = static_cast<std::uint16_t>(value);
    return true;
}

std::string makeInterfacePath(const HidrawNode& node, std::size_t collectionIndex,
                              std::size_t collectionCount) {
    char suffix[64];
    int n = std::snprintf(suffix, sizeof suffix, "#vid_%04x&pid_%04x&mi_%02x", node.vendorId,
                          node.productId, static_cast<unsigned>(node.interfaceNumber) & 0xFFu);
    std::string path = node.nodePath;
    path.append(suffix, static_cast<std::size_t>(n));
    if (collectionCount > 1) {
        std::snprintf(suffix, sizeof suffix, "&col%02x",
                      static_cast<unsigned>(collectionIndex + 1));
        path += suffix;
    }
    return path;
}

} // namespace quasar::hid
